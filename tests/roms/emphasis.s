; Colour emphasis changed mid-picture: the backdrop (colour $30) fills the
; screen; the vertical-blank handler turns emphasis off, then about 115
; lines into the picture turns on red emphasis (PPUMASK bit 5), and about
; 75 lines later all three bits. The background is on with blank tiles, so
; every pixel is the backdrop.

.include "nrom.inc"

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
:   bit $2002
    bpl :-
:   bit $2002
    bpl :-
    ; Backdrop $30; the address then leaves the palette.
    lda #$3F
    sta $2006
    lda #$00
    sta $2006
    lda #$30
    sta $2007
    lda #0
    sta $2006
    sta $2006
    lda #$80
    sta $2000
loop:
    jmp loop

; Y rounds of about 1,286 cycles each.
wait:
:   ldx #0
:   dex
    bne :-
    dey
    bne :--
    rts

nmi:
    lda #$0A         ; background on, left column too, no emphasis
    sta $2001
    ldy #12
    jsr wait
    lda #$2A         ; red emphasis
    sta $2001
    ldy #7
    jsr wait
    lda #$EA         ; all three
    sta $2001
irq:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
