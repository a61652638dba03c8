; Split-screen picture: a status bar in tile rows 0-3 that stays put, and a
; play field below it that scrolls three pixels to the left every frame. The
; vertical-blank handler resets the scroll for the bar; the main loop waits
; for the sprite-0 hit at the bar's bottom edge and then writes the play
; field's scroll. Four sprites show the palettes, a flip and the
; behind-background bit.
;
; Zero page: $00 frame counter, $01 scroll of the play field.

.include "nrom.inc"

frame   = $00
scrollx = $01
oam     = $0200

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
    sta frame
    sta scrollx

    ; Two vertical blanks before touching video memory.
:   bit $2002
    bpl :-
:   bit $2002
    bpl :-

    ; Palette memory, all 32 entries.
    lda #$3F
    sta $2006
    lda #$00
    sta $2006
    ldx #0
:   lda palette,x
    sta $2007
    inx
    cpx #32
    bne :-

    ; Name table $2000: rows 0-3 the bar (tile 1), rows 4-29 the ramp (tile 2).
    lda #$20
    sta $2006
    lda #$00
    sta $2006
    lda #1
    ldx #128
:   sta $2007
    dex
    bne :-
    lda #2
    ldy #3
    ldx #0
:   sta $2007
    dex
    bne :-
    dey
    bne :-
    ldx #64
:   sta $2007
    dex
    bne :-
    ; Its attributes: palette 0 for the bar, palette 1 for the field.
    lda #$00
    ldx #8
:   sta $2007
    dex
    bne :-
    lda #$55
    ldx #56
:   sta $2007
    dex
    bne :-

    ; Name table $2400: solid tile 3 in palette 2, what scrolls in from the right.
    lda #$24
    sta $2006
    lda #$00
    sta $2006
    lda #3
    ldy #3
    ldx #0
:   sta $2007
    dex
    bne :-
    dey
    bne :-
    ldx #192
:   sta $2007
    dex
    bne :-
    lda #$AA
    ldx #64
:   sta $2007
    dex
    bne :-

    ; Sprite page: everything below the picture, then the four sprites.
    lda #$F0
    ldx #0
:   sta oam,x
    inx
    bne :-
    ldx #0
:   lda sprites,x
    sta oam,x
    inx
    cpx #16
    bne :-

    lda #$80            ; interrupt at vertical blank
    sta $2000
    lda #$18            ; background and sprites shown
    sta $2001

main:
    lda frame
:   cmp frame           ; wait for the vertical-blank handler
    beq :-
:   bit $2002           ; then for the hit at the bar's bottom edge
    bvc :-
    lda scrollx
    sta $2005
    lda #0
    sta $2005
    jmp main

nmi:
    pha
    lda #>oam
    sta $4014
    lda #0              ; the bar is never scrolled
    sta $2005
    sta $2005
    lda scrollx
    clc
    adc #3
    sta scrollx
    inc frame
    pla
    rti

irq:
    rti

.segment "RODATA"

palette:
    .byte $0F, $30, $16, $27,  $0F, $21, $2A, $12,  $0F, $17, $28, $38,  $0F, $01, $11, $21
    .byte $0F, $16, $27, $12,  $0F, $2A, $1A, $4A,  $0F, $14, $24, $34,  $0F, $02, $12, $22

; Y, tile, attributes, X
sprites:
    .byte  30, 4, $00,   8      ; sprite 0: solid, on the bar's last tile row
    .byte 120, 4, $01, 100      ; solid, palette 1
    .byte 140, 5, $40, 200      ; diagonal, flipped horizontally
    .byte 160, 4, $21,  50      ; solid, palette 1, behind the background

.segment "VECTORS"
    .word nmi, reset, irq

.segment "CHARS"
    .res 16, $00                        ; 0: blank
    .res 8, $FF
    .res 8, $00                         ; 1: colour 1
    .res 8, $55
    .res 8, $33                         ; 2: colours 0,1,2,3,0,1,2,3
    .res 8, $00
    .res 8, $FF                         ; 3: colour 2
    .res 16, $FF                        ; 4: colour 3
    .byte $80, $40, $20, $10, $08, $04, $02, $01
    .res 8, $00                         ; 5: colour-1 diagonal, top left to bottom right
