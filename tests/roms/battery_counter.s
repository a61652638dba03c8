; A battery cartridge that keeps playing: a 32-bit frame count at $6000-$6003
; (little-endian) goes up in every vertical-blank interrupt, so its battery
; RAM changes every frame and a written battery file tells how far the game
; had got when it was written. $6004 counts the starts.
.segment "HEADER"
    .byte "NES", $1A
    .byte 2                 ; 16 KB program banks
    .byte 1                 ; 8 KB pattern banks
    .byte $03               ; vertical mirroring, battery, mapper 0
    .byte $00
    .res 8, 0

count = $6000
starts = $6004

.segment "CODE"
reset:
    sei
    cld
    ldx #$FF
    txs
    inc starts
    lda #$80
    sta $2000
idle:
    jmp idle

nmi:
    inc count
    bne done
    inc count+1
    bne done
    inc count+2
    bne done
    inc count+3
done:
irq:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
