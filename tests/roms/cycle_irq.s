; The Bandai board's cycle counter (mapper 16): the interrupt comes when the
; counter, loaded from the latch by a write to $800A and counting down one a
; processor cycle, reaches zero; a write with bit 0 clear pauses it and
; acknowledges. Three trials each count rounds of a 14-cycle loop (18 when
; the low byte wraps) until the interrupt sets a flag, or until 16,384
; rounds have passed: latch 1,400, latch 14,000, and latch 2,800 paused at
; once. Results: $0300 + 2n, the trial's round count (low byte first), or
; $4000 when no interrupt came; $0306 is $A5 once every trial has run.

IRQ_CONTROL = $800A
LATCH_LOW   = $800B
LATCH_HIGH  = $800C

flag  = $10
count = $11

.segment "HEADER"
    .byte "NES", $1A
    .byte 2          ; 16 KB program banks
    .byte 1          ; 8 KB pattern bank
    .byte $00        ; mapper 16 (low digit 0), horizontal mirroring
    .byte $10        ; mapper 16 (high digit 1)
    .res 8, 0

.segment "CODE"

; trial LATCH, RESULT, PAUSE: one measurement.
.macro trial latch, result, pause
    sei
    lda #0
    sta flag
    sta count
    sta count+1
    lda #<latch
    sta LATCH_LOW
    lda #>latch
    sta LATCH_HIGH
    lda #1
    sta IRQ_CONTROL
  .if pause
    lda #0
    sta IRQ_CONTROL
  .endif
    cli
    jsr count_rounds
    lda count
    sta result
    lda count+1
    sta result+1
.endmacro

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #$40
    sta $4017        ; the sound chip's frame interrupt off: only the board's is wanted
    lda #0
    sta $2000
    sta $2001
    sta $0306
    trial 1400, $0300, 0
    trial 14000, $0302, 0
    trial 2800, $0304, 1
    lda #$A5
    sta $0306
done:
    jmp done

; Counts rounds until the interrupt sets the flag, or to $4000 rounds.
count_rounds:
    inc count        ; 5
    bne same_page    ; 3 (2 when the low byte wrapped)
    inc count+1      ; 5
    lda count+1      ; 3
    cmp #$40         ; 2
    beq gave_up      ; 2
same_page:
    lda flag         ; 3
    beq count_rounds ; 3
gave_up:
    sei
    rts

irq:
    pha
    lda #0
    sta IRQ_CONTROL  ; acknowledged, and the counter stops
    inc flag
    pla
nmi:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
