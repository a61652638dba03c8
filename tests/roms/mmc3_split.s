; Split screen on the MMC3 scanline counter. The vertical-blank handler sets
; the scroll to 0 and arms the counter for SPLIT_COUNT lines; the counter's
; interrupt then moves the horizontal scroll to 128 for the rest of the frame.
;
; Name table $2000: columns 0-15 tile 1, 16-31 tile 2; name table $2400: tile 3
; throughout. Tiles 1, 2 and 3 are solid in colours 1, 2 and 3, so with palette
; 0 a pixel's index is its tile number: the rows above the split read 1 then 2,
; the rows below read 2 then 3. The tiles live in 8 KB pattern bank 1 and are
; shown only if the bank registers map it; the table at $2400 stays apart only
; under the vertical mirroring the cartridge selects (its header says horizontal).
;
; Zero page: $10 counts counter interrupts, $11 vertical-blank interrupts.

SPLIT_COUNT = 93

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007

MMC3_SELECT  = $8000
MMC3_DATA    = $8001
MMC3_MIRROR  = $A000
MMC3_COUNT   = $C000
MMC3_ENABLE  = $E001

irq_count = $10
nmi_count = $11

.segment "HEADER"
    .byte "NES", $1A
    .byte 2          ; 16 KB program banks
    .byte 2          ; 8 KB pattern banks
    .byte $40        ; mapper 4 (low digit), horizontal mirroring
    .byte $00
    .res 8, 0

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta irq_count
    sta nmi_count

    ; Vertical mirroring, and 1 KB pattern banks 8 and 9 (the start of 8 KB
    ; bank 1) at $0000-$07FF through the 2 KB register 0.
    lda #0
    sta MMC3_MIRROR
    sta MMC3_SELECT
    lda #8
    sta MMC3_DATA

    ; Name table $2000: 30 rows of 16 x tile 1 then 16 x tile 2.
    lda #$20
    sta PPUADDR
    lda #$00
    sta PPUADDR
    ldy #30
@row:
    lda #1
    ldx #16
@left:
    sta PPUDATA
    dex
    bne @left
    lda #2
    ldx #16
@right:
    sta PPUDATA
    dex
    bne @right
    dey
    bne @row
    jsr clear_attributes

    ; Name table $2400: 30 rows of tile 3.
    lda #$24
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda #3
    ldy #30
@row2:
    ldx #32
@tile3:
    sta PPUDATA
    dex
    bne @tile3
    dey
    bne @row2
    jsr clear_attributes

    ; Backdrop and the three colours of palette 0.
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    ldx #0
@palette:
    lda palette,x
    sta PPUDATA
    inx
    cpx #4
    bne @palette

    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    lda #$08         ; background on, sprites off
    sta PPUMASK
    lda #$80         ; vertical-blank interrupt on
    sta PPUCTRL
    cli
forever:
    jmp forever

; 64 zero attribute bytes after a name table: palette 0 everywhere.
clear_attributes:
    lda #0
    ldx #64
@attr:
    sta PPUDATA
    dex
    bne @attr
    rts

nmi:
    pha
    inc nmi_count
    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    ; The counter runs while the picture is drawn and fires once per frame.
    lda #SPLIT_COUNT
    sta MMC3_COUNT
    lda #$80
    sta MMC3_ENABLE
    pla
    rti

irq:
    pha
    inc irq_count
    lda #128
    sta PPUSCROLL
    lda #0
    sta PPUSCROLL
    pla
    rti

palette:
    .byte $0F, $16, $2A, $12

.segment "VECTORS"
    .word nmi, reset, irq

; Solid tiles 0-3 of 8 KB pattern bank 1: tile n shows colour n.
.segment "TILES"
    .res 16, $00                 ; tile 0: colour 0
    .res 8, $FF                  ; tile 1: low plane only
    .res 8, $00
    .res 8, $00                  ; tile 2: high plane only
    .res 8, $FF
    .res 16, $FF                 ; tile 3: both planes
