; Bank switching through the MMC1's serial registers, every frame. The
; vertical-blank handler pages program bank (frame AND 3) in at $8000 and adds
; its first byte to a running sum, pages 4 KB pattern bank ((frame / 4) AND 3)
; in at $0000, and in frames 0 and 2 of every 16 sets the first square's
; period from the paged bank, so its note moves between two pitches. The whole screen shows tile 1, which is
; solid in colour 0, 1, 2 or 3 depending on the pattern bank, so the picture
; changes colour every four frames.
;
; Zero page: $10 frame count, $11 the sum of the bytes read.

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007

MMC1_CONTROL = $8000
MMC1_CHR0    = $A000
MMC1_CHR1    = $C000
MMC1_PRG     = $E000

frame = $10
sum   = $11

; Loads the five low bits of A into an MMC1 register, lowest bit first.
.macro mmc1_write address
    sta address
    lsr a
    sta address
    lsr a
    sta address
    lsr a
    sta address
    lsr a
    sta address
.endmacro

.segment "HEADER"
    .byte "NES", $1A
    .byte 4          ; 16 KB program banks
    .byte 2          ; 8 KB pattern banks
    .byte $10        ; mapper 1 (low digit), vertical mirroring
    .byte $00
    .res 8, 0

; Each switchable bank: a byte to add, then a square period's low byte.
.segment "BANK0"
    .byte $11, $FD
.segment "BANK1"
    .byte $22, $A9
.segment "BANK2"
    .byte $33, $7E

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta frame
    sta sum

    ; Control: 4 KB pattern banks, 16 KB program banks switched at $8000,
    ; vertical mirroring. Pattern banks 0 and 1, program bank 0.
    lda #$80
    sta MMC1_CONTROL
    lda #$1C
    mmc1_write MMC1_CONTROL
    lda #0
    mmc1_write MMC1_CHR0
    lda #1
    mmc1_write MMC1_CHR1
    lda #0
    mmc1_write MMC1_PRG

    ; Palette 0: black, red, green, blue.
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    ldx #0
palette_loop:
    lda palette, x
    sta PPUDATA
    inx
    cpx #4
    bne palette_loop

    ; Name table $2000: every tile 1, then attributes 0 (palette 0).
    lda #$20
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda #1
    ldy #4
    ldx #0
fill_loop:
    sta PPUDATA
    inx
    bne fill_loop
    dey
    bne fill_loop
    lda #$23
    sta PPUADDR
    lda #$C0
    sta PPUADDR
    lda #0
    ldx #64
attribute_loop:
    sta PPUDATA
    dex
    bne attribute_loop

    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    lda #$01
    sta $4015        ; first square on
    lda #$80
    sta PPUCTRL      ; vertical-blank interrupt on
    lda #$0A
    sta PPUMASK      ; background on, left column too
forever:
    jmp forever

nmi:
    inc frame
    lda frame
    and #3
    mmc1_write MMC1_PRG
    lda $8000
    clc
    adc sum
    sta sum
    lda frame
    lsr a
    lsr a
    and #3
    mmc1_write MMC1_CHR0
    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    lda frame
    and #13          ; frames 0 and 2 of every 16: banks 0 and 2 in turn
    bne nmi_done
    lda #$BF
    sta $4000        ; full volume, no envelope
    lda $8001
    sta $4002
    lda #$F8
    sta $4003        ; period high 0, longest length
nmi_done:
    rti

irq:
    rti

palette:
    .byte $0F, $16, $2A, $12

.segment "VECTORS"
    .addr nmi, reset, irq

; Tile 1 of each 4 KB pattern bank: solid in the colour of the bank's number.
.segment "TILES0"
    .res 16, $00
    .res 8, $00
    .res 8, $00
.segment "TILES1"
    .res 16, $00
    .res 8, $FF
    .res 8, $00
.segment "TILES2"
    .res 16, $00
    .res 8, $00
    .res 8, $FF
.segment "TILES3"
    .res 16, $00
    .res 8, $FF
    .res 8, $FF
