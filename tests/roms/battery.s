; A cartridge with battery-backed RAM: every start counts itself in $6000
; and writes 0, 1, ... 255 to $6100-$61FF; then it idles with the vertical-
; blank interrupt off.
.segment "HEADER"
    .byte "NES", $1A
    .byte 2                 ; 16 KB program banks
    .byte 1                 ; 8 KB pattern banks
    .byte $03               ; vertical mirroring, battery, mapper 0
    .byte $00
    .res 8, 0

.segment "CODE"
reset:
    sei
    ldx #$FF
    txs
    inc $6000
    ldx #0
@fill:
    txa
    sta $6100,x
    inx
    bne @fill
idle:
    jmp idle
nmi:
irq:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
