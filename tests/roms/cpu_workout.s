; Processor workout through the real run loop: loads and stores, binary and
; decimal arithmetic, branches, nested subroutines, the stack, indexed and
; indirect modes, read-modify-write on memory and a vertical-blank handler
; that interrupts all of it. Results land in $0300-$031F for the test to
; check; $031F holds $C3 once every check has run. $0320-$032F hold one
; branch outcome each.

.include "nrom.inc"

ptr     = $10           ; (zp),Y pointer
ptr2    = $12           ; (zp,X) pointer
mula    = $14           ; multiplicand
mulb    = $15           ; multiplier, then the product's low byte
jvec    = $18           ; JMP-indirect target

res     = $0300
buf     = $0400
nmis    = res + 30
done    = res + 31

; Stores Y in `slot` when `branch` is taken.
.macro taken branch, slot
    .local skip, over
    branch skip
    jmp over
skip:
    sty slot
over:
.endmacro

; Stores Y in `slot` when `branch` falls through.
.macro nottaken branch, slot
    .local over
    branch over
    sty slot
over:
.endmacro

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    ; Vertical-blank interrupts from the first frame on.
    lda #$80
    sta $2000

    ; --- Copy a table into RAM (abs,X loads, abs,Y stores), then sum it
    ;     with carries into a 16-bit total.
    ldx #0
    ldy #0
copy:
    lda table,x
    sta buf,y
    inx
    iny
    cpx #16
    bne copy
    lda #0
    sta res+0
    sta res+1
    ldx #15
sum:
    clc
    lda res+0
    adc buf,x
    sta res+0
    bcc :+
    inc res+1
:   dex
    bpl sum

    ; --- Subroutines: 13 x 11, 200 x 150, and 12 squared through a nested call.
    lda #13
    ldx #11
    jsr multiply
    sta res+2
    stx res+3
    lda #200
    ldx #150
    jsr multiply
    sta res+4
    stx res+5
    lda #12
    jsr square
    sta res+6
    stx res+7

    ; --- Stack: three pushes pulled back in reverse order, S balanced after.
    lda #$11
    pha
    lda #$22
    pha
    lda #$33
    pha
    pla
    sta res+8
    pla
    sta res+9
    pla
    sta res+10
    tsx
    stx res+11

    ; --- Status through the stack: PHP pushes P as held; PLP forces bit 5
    ;     and keeps bit 4 as pulled.
    lda #$01
    sec
    sed
    php
    pla
    sta res+12
    cld
    lda #$D3
    pha
    plp
    php
    pla
    sta res+13
    sei

    ; --- Decimal mode.
    sed
    clc
    lda #$45
    adc #$38
    sta res+14
    sec
    lda #$50
    sbc #$25
    sta res+15
    clc
    lda #$99
    adc #$01
    sta res+16
    lda #0
    rol a
    sta res+17
    cld

    ; --- Binary flags: overflow on $50 + $50, borrow on $00 - $01.
    clc
    lda #$50
    adc #$50
    php
    pla
    and #$C3
    sta res+18
    sec
    lda #$00
    sbc #$01
    sta res+19
    php
    pla
    and #$C3
    sta res+20

    ; --- Branches: every condition both ways. A check stores 1 in its own
    ;     slot only when the branch went the expected way; STY and JMP leave
    ;     the flags alone, so the checks after a comparison all see its flags.
    ldy #1
    lda #5
    cmp #7              ; C = 0, N = 1, Z = 0
    taken bcc, res+32
    nottaken bcs, res+33
    taken bmi, res+34
    nottaken bpl, res+35
    taken bne, res+36
    nottaken beq, res+37
    cmp #5              ; C = 1, N = 0, Z = 1
    taken bcs, res+38
    nottaken bcc, res+39
    taken beq, res+40
    nottaken bne, res+41
    taken bpl, res+42
    nottaken bmi, res+43
    clv
    taken bvc, res+44
    nottaken bvs, res+45
    bit vbit            ; V = 1
    taken bvs, res+46
    nottaken bvc, res+47
    ldx #10             ; a countdown loop: ten passes
    ldy #0
:   iny
    dex
    bne :-
    sty res+22

    ; --- Indirect modes: fill $0480-$0487 through (zp),Y, read one back
    ;     through (zp,X).
    lda #$80
    sta ptr
    lda #$04
    sta ptr+1
    ldy #7
:   tya
    asl a
    sta (ptr),y
    dey
    bpl :-
    lda #$83
    sta ptr2
    lda #$04
    sta ptr2+1
    ldx #2
    lda (ptr2-2,x)
    sta res+23

    ; --- JMP through a vector in RAM.
    lda #<jtarget
    sta jvec
    lda #>jtarget
    sta jvec+1
    jmp (jvec)
jback:

    ; --- Read-modify-write on memory and zero-page wrap-around.
    lda #$81
    sta res+25
    asl res+25          ; $02, C = 1
    rol res+25          ; $05, C = 0
    lsr res+25          ; $02, C = 1
    ror res+25          ; $81, C = 0
    inc res+25          ; $82
    lda #0
    sta res+26
    dec res+26          ; $FF
    ldx #$F5
    lda #$77
    sta $10,x           ; $10 + $F5 wraps to $05
    lda $05
    sta res+27

    lda #$C3
    sta done
idle:
    jmp idle

jtarget:
    lda #$5A
    sta res+24
    jmp jback

; A x X -> A (low), X (high), by shift and add.
multiply:
    sta mula
    stx mulb
    lda #0
    ldx #8
    lsr mulb
@loop:
    bcc @noadd
    clc
    adc mula
@noadd:
    ror a
    ror mulb
    dex
    bne @loop
    tax
    lda mulb
    rts

; A squared -> A (low), X (high), through multiply.
square:
    tax
    jsr multiply
    rts

; The vertical-blank handler counts; RTI restores the flags it changes.
nmi:
    inc nmis
irq:
    rti

table:
    .byte $F0, $E1, $D2, $C3, $B4, $A5, $96, $87, $78, $69, $5A, $4B, $3C, $2D, $1E, $0F
vbit:
    .byte $40

.segment "VECTORS"
    .word nmi, reset, irq
