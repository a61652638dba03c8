; A cartridge for the main window's tests: a blue backdrop with rendering on,
; the vertical-blank interrupt enabled, and in every interrupt controller 1 and
; controller 2 read through $4016/$4017 into $0010 and $0011, with a frame
; count at $0012.
.include "nrom.inc"

pad1  = $10
pad2  = $11
frame = $12

.segment "CODE"
reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
    ; Palette: backdrop blue, the rest of the first palette white and red.
    lda #$3F
    sta $2006
    lda #$00
    sta $2006
    lda #$11
    sta $2007
    lda #$30
    sta $2007
    lda #$16
    sta $2007
    lda #$0F
    sta $2007
    lda #$80
    sta $2000
    lda #$1E
    sta $2001
loop:
    jmp loop

nmi:
    pha
    txa
    pha
    ; Strobe both controllers, then shift eight buttons out of each, A first,
    ; so bit 0 of the stored byte is A as in the button byte itself.
    lda #1
    sta $4016
    lda #0
    sta $4016
    ldx #8
read:
    lda $4016
    lsr a
    ror pad1
    lda $4017
    lsr a
    ror pad2
    dex
    bne read
    inc frame
    pla
    tax
    pla
irq:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
