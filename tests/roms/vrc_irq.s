; The Konami VRC4's interrupt counter on a mapper 23 cartridge: an 8-bit
; counter counting up from the latch, clocked every processor cycle (cycle
; mode) or through the prescaler every 113 2/3 cycles (scanline mode), that
; pulls the line as it passes $FF and takes the latch again. Its registers are
; written at both wirings of mapper 23: $F000/$F004/$F008/$F00C (the chip's
; lines on A2/A3) and $F000-$F003 (on A0/A1).
;
; Trials, results at $0300 + 4n (see irq_rounds.inc), $0314 = $A5 at the end:
;   0: scanline mode, latch $F0, one-shot (A clear): 16 scanlines
;   1: scanline mode, latch $00, one-shot: 256 scanlines
;   2: cycle mode, latch $00, repeating (A set): 20 interrupts 256 cycles apart
;   3: cycle mode, latch $80, one-shot, asking for two: the acknowledge stops
;      the counter after the first
;   4: scanline mode, latch $FF, then the control written with E clear: none

.segment "HEADER"
    .byte "NES", $1A
    .byte 2          ; 16 KB program banks
    .byte 1          ; 8 KB pattern bank
    .byte $70        ; mapper 23 (low digit 7), horizontal mirroring
    .byte $10        ; mapper 23 (high digit 1)
    .res 8, 0

.include "irq_rounds.inc"

CONTROL_E = $02
CONTROL_A = $01
CONTROL_M = $04

; vrc_trial BASE, STEP, LATCH, CONTROL, INTERRUPTS, RESULT: the registers at
; BASE + n * STEP (n: latch low, latch high, control, acknowledge).
.macro vrc_trial base, step, latch, control, interrupts, result
    begin_trial base + 3 * step, interrupts
    lda #latch & $0F
    sta base
    lda #latch >> 4
    sta base + step
    lda #control
    sta base + 2 * step
    jsr count_rounds
    lda #0
    sta base + 2 * step  ; stopped and acknowledged for the next trial
    keep_result result
.endmacro

reset:
    quiet_console
    sta $0314
    vrc_trial $F000, 4, $F0, CONTROL_E, 1, $0300
    vrc_trial $F000, 4, $00, CONTROL_E, 1, $0304
    vrc_trial $F000, 1, $00, CONTROL_M | CONTROL_E | CONTROL_A, 20, $0308
    vrc_trial $F000, 1, $80, CONTROL_M | CONTROL_E, 2, $030C
    ; Trial 4: the counter started, then the control rewritten with E clear.
    begin_trial $F00C, 1
    lda #$0F
    sta $F000
    sta $F004
    lda #CONTROL_E
    sta $F008
    lda #0
    sta $F008
    jsr count_rounds
    keep_result $0310
    lda #$A5
    sta $0314
done:
    jmp done

.segment "VECTORS"
    .word nmi, reset, irq
