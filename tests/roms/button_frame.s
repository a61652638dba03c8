; A cartridge that tells when a button press took effect: a black picture
; that turns green a fixed number of frames after the first vertical blank
; that finds any button of controller 1 held, and stays green. Like many
; games, it takes the press through frames of its own work before the picture
; answers: the colour is written in the blank LAG - 1 frames after the one
; that read the press, and the next picture sent out is the first green one.
; That lag is what run-ahead takes away.
;
; Zero page: $10 the buttons last read, $11 the frame count (one per
; interrupt, modulo 256), $12 1 once a press has been seen, $13 the frame
; count of that interrupt, $14 the frames left before the picture answers.
.include "nrom.inc"

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSTATUS = $2002
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007
JOY1      = $4016

BLACK     = $0F
GREEN     = $2A

pad       = $10
frame     = $11
seen      = $12
seenAt    = $13
delay     = $14

LAG       = 4

.segment "CODE"
reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta PPUCTRL
    sta PPUMASK
    sta pad
    sta frame
    sta seen
    sta seenAt
    sta delay
    ; Two vertical blanks before the picture processor takes writes.
    bit PPUSTATUS
wait1:
    bit PPUSTATUS
    bpl wait1
wait2:
    bit PPUSTATUS
    bpl wait2
    ; The backdrop black; pattern 0 is empty, so every tile shows it.
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda #BLACK
    sta PPUDATA
    jsr home
    lda #$80                ; the vertical-blank interrupt
    sta PPUCTRL
    lda #$0A                ; background on, leftmost column too
    sta PPUMASK
loop:
    jmp loop

nmi:
    pha
    txa
    pha
    inc frame
    ; Strobe controller 1 and shift its eight buttons in, A first.
    lda #1
    sta JOY1
    lda #0
    sta JOY1
    ldx #8
read:
    lda JOY1
    lsr a
    rol pad
    dex
    bne read
    ; The first press starts the count; once it has run out the picture
    ; stays as it is.
    lda seen
    bne counting
    lda pad
    beq done
    lda #1
    sta seen
    lda frame
    sta seenAt
    lda #LAG
    sta delay
counting:
    lda delay
    beq done
    dec delay
    bne done
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda #GREEN
    sta PPUDATA
    jsr home
done:
    pla
    tax
    pla
irq:
    rti

; The address written for the palette is also where the picture is read
; from: put it and the scroll back at the top left of the first screen.
home:
    lda #0
    sta PPUADDR
    sta PPUADDR
    sta PPUSCROLL
    sta PPUSCROLL
    rts

.segment "VECTORS"
    .word nmi, reset, irq
