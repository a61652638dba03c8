; The FFE copier's interrupt counter on a mapper 17 cartridge: a 16-bit
; counter set through $4502 (low byte) and $4503 (high byte, which starts
; it), counting up one a processor cycle and pulling the line as it passes
; $FFFF; $4501 stops it and acknowledges.
;
; Trials, results at $0300 + 4n (see irq_rounds.inc), $0310 = $A5 at the end:
;   0: counter $F000: 4,096 cycles
;   1: counter $8000: 32,768 cycles
;   2: counter $FF00 started, then stopped by $4501 at once: none
;   3: counter $F800, asking for two: the first acknowledged, then no other

IRQ_STOP = $4501
COUNT_LO = $4502
COUNT_HI = $4503

.segment "HEADER"
    .byte "NES", $1A
    .byte 2          ; 16 KB program banks
    .byte 1          ; 8 KB pattern bank
    .byte $10        ; mapper 17 (low digit 1), horizontal mirroring
    .byte $10        ; mapper 17 (high digit 1)
    .res 8, 0

.include "irq_rounds.inc"

; ffe_trial COUNTER, INTERRUPTS, RESULT, STOP: one measurement; STOP writes
; $4501 right after starting.
.macro ffe_trial counter, interrupts, result, stop
    begin_trial IRQ_STOP, interrupts
    lda #<counter
    sta COUNT_LO
    lda #>counter
    sta COUNT_HI
  .if stop
    sta IRQ_STOP
  .endif
    jsr count_rounds
    sta IRQ_STOP     ; stopped and acknowledged for the next trial
    keep_result result
.endmacro

reset:
    quiet_console
    sta $0310
    ffe_trial $F000, 1, $0300, 0
    ffe_trial $8000, 1, $0304, 0
    ffe_trial $FF00, 1, $0308, 1
    ffe_trial $F800, 2, $030C, 0
    lda #$A5
    sta $0310
done:
    jmp done

.segment "VECTORS"
    .word nmi, reset, irq
