; Test cartridge for the debugger window: a reset routine at $C000 whose
; listing fills more than one batch of rows, a loop at $C010 that calls a
; subroutine far outside the first batch ($D000), and two counters in zero
; page that tell how often each half of the loop has run.
.include "nrom.inc"

.segment "CODE"
        .res $4000, $EA         ; $8000-$BFFF: filler, never executed

; $C000
Reset:  sei                     ; C000
        cld                     ; C001
        ldx #$FF                ; C002
        txs                     ; C004
        lda #$00                ; C005
        sta $00                 ; C007
        sta $01                 ; C009
        nop                     ; C00B
        nop                     ; C00C
        nop                     ; C00D
        nop                     ; C00E
        nop                     ; C00F
Loop:   inc $00                 ; C010: counts passes before the call
        jsr Sub                 ; C012
        inc $01                 ; C015: counts returns from the call
        jmp Loop                ; C017
        .res 20, $EA            ; C01A: more rows for the first batch

        .res $1000 - (* - Reset), $FF
; $D000: longer than one batch of rows, so stepping into it lists 18 new ones.
Sub:    ldy #$00                ; D000
        .repeat 24
        iny
        .endrepeat
        rts

Nmi:
Irq:    rti

.segment "VECTORS"
        .word Nmi, Reset, Irq
