; Restarts from inside the scanline hook on an MMC3 cartridge. The reset
; handler masks interrupts first, switches the counter's interrupt off and
; counts its passes; then the main loop counts its own rounds with interrupts
; allowed. The interrupt handler records that it ran, the loop count it met
; and the address it interrupted, so a test sees whether a counter interrupt
; got in ahead of the reset handler's SEI, and how far the loop had gone when
; one came. Work RAM survives a reset, so the records outlive the restart.
;
; $20: loop rounds. $0300: reset passes; $0301: interrupts taken; $0302: loop
; rounds at the last interrupt; $0303/$0304: the address it interrupted.

MMC3_IRQ_OFF = $E000

loops      = $20
resets     = $0300
irqs       = $0301
irq_loops  = $0302
irq_from   = $0303

.segment "HEADER"
    .byte "NES", $1A
    .byte 2          ; 16 KB program banks
    .byte 1          ; 8 KB pattern bank
    .byte $40        ; mapper 4 (low digit)
    .byte $00
    .res 8, 0

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    sta MMC3_IRQ_OFF ; any value: the counter's interrupt off and acknowledged
    inc resets
    cli
main:
    inc loops
    jmp main

irq:
    pha
    txa
    pha
    inc irqs
    lda loops
    sta irq_loops
    ; Below the two saved registers: P, then the return address, low first.
    tsx
    lda $0104,x
    sta irq_from
    lda $0105,x
    sta irq_from+1
    pla
    tax
    pla
nmi:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
