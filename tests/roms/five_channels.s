; A test tune on all five sound channels, driven from the vertical-blank
; interrupt once a frame as a game's music driver is: a table of pulse
; periods by semitone, one sequence table per channel, and a step every 12
; frames (an eighth note at 150 beats a minute). Four bars loop forever
; (384 frames, 6.4 seconds); the picture stays a blank dark-blue backdrop.
;
; What plays when (steps 0-31, bar = 8 steps):
;   Pulse 1, 25 % duty, decaying envelope: the opening of the "Ode to Joy",
;     E5 E5 F5 G5 | G5 F5 E5 D5 | C5 C5 D5 E5 | E5. D5 D5 (half),
;     in quarter notes (two steps) except the dotted E5 and the eighth D5.
;   Pulse 2, 50 % duty, constant volume: half notes G4 C5 | B4 G4 | E4 A4 |
;     G4, then B4 at step 28 with its sweep on, so the pitch falls away
;     until the period overflows and the sweep mutes the channel.
;   Triangle, staccato by its linear counter (12 of every 24 frames): the
;     bass in quarter notes, C3 G2 C3 G2 | G2 D3 G2 D3 | C3 G2 C3 E3 |
;     G2 D3 G2 B2.
;   Noise: a closed hat on every off-beat eighth (long mode, high period,
;     a few frames of length counter), a snare on beats 2 and 4 (long mode,
;     decaying), and in the last beat of bar 4 two metallic hits in the
;     short mode instead of the snare and the hat.
;   Sample channel: a kick drum on beats 1 and 3, a one-bit delta sample at
;     $C000 of a sine that falls from 160 Hz to 50 Hz as it dies away; each
;     hit stops the channel, sets the level with a direct load to $40 (the
;     sample starts from it) and starts the sample again.
.include "nrom.inc"

tick = $00   ; frames into the current step, 0-11
step = $01   ; the step playing, 0-31

STEP_FRAMES = 12
SONG_STEPS  = 32

; Semitones as indexes into the period table: index 1 is G3 (MIDI 55).
G3 = 1
B3 = 5
C4 = 6
D4 = 8
E4 = 10
G4 = 13
A4 = 15
B4 = 17
C5 = 18
D5 = 20
E5 = 22
F5 = 23
G5 = 25

; The triangle sounds an octave below a pulse at the same period, so the
; bass is written in its sounding pitch and played from the table an octave
; up.
BG2 = G3
BB2 = B3
BC3 = C4
BD3 = D4
BE3 = E4

SWEEP = $80  ; a pulse 2 note with the falling sweep on

; Drum bits.
KICK  = 1
SNARE = 2
HAT   = 4
METAL = 8

; The kick sample's length register: 16 * $17 + 1 = 369 bytes.
KICK_LENGTH = $17

.segment "CODE"
reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
    sta tick
    sta step
    ; Backdrop dark blue; rendering stays off, so only the backdrop shows.
    lda #$3F
    sta $2006
    lda #$00
    sta $2006
    lda #$01
    sta $2007

    ; Sound: the frame sequencer in 4-step mode without its interrupt.
    lda #$40
    sta $4017
    lda #$45        ; pulse 1: 25 %, envelope decaying every 6 ticks
    sta $4000
    lda #$95        ; pulse 2: 50 %, constant volume 5
    sta $4004
    lda #$08        ; sweeps off, negated so no period is muted
    sta $4001
    sta $4005
    lda #$30        ; triangle: linear counter 48 quarter frames, counting
    sta $4008
    ; The sample's rate, address and length are set before the channels are
    ; switched on, as every kick uses them.
    lda #$0E        ; rate 14, no loop, no interrupt
    sta $4010
    lda #<((kick - $C000) / 64)
    sta $4012
    lda #KICK_LENGTH
    sta $4013
    lda #$0F        ; pulses, triangle and noise on; the sample waits
    sta $4015
    ; Every kick loads the sample's level to $40. Raised there from 0 in one
    ; write, the output would jump and pop at the first kick; a ramp of one
    ; level every 1,000 cycles or so brings it there unheard.
    ldx #0
ramp:
    stx $4011
    ldy #200
ramp_wait:
    dey
    bne ramp_wait
    inx
    cpx #$41
    bne ramp

    lda #$80
    sta $2000
forever:
    jmp forever

nmi:
    pha
    txa
    pha
    tya
    pha
    lda tick
    bne advance
    jsr play_step
advance:
    inc tick
    lda tick
    cmp #STEP_FRAMES
    bne done
    lda #0
    sta tick
    inc step
    lda step
    cmp #SONG_STEPS
    bne done
    lda #0
    sta step
done:
    pla
    tay
    pla
    tax
    pla
irq:
    rti

; Starts whatever the sequences hold for this step.
play_step:
    ldx step

    lda melody, x
    beq no_melody
    tay
    lda period_lo, y
    sta $4002
    lda period_hi, y
    ora #$08        ; length index 1: longer than any note
    sta $4003
no_melody:

    lda harmony, x
    beq no_harmony
    bpl sweep_off
    ; Sweep every third half frame, the period growing by an eighth each time.
    ldy #$A3
    sty $4005
    and #$7F
    bpl harmony_note
sweep_off:
    ldy #$08
    sty $4005
harmony_note:
    tay
    lda period_lo, y
    sta $4006
    lda period_hi, y
    ora #$08
    sta $4007
no_harmony:

    lda bass, x
    beq no_bass
    tay
    lda period_lo, y
    sta $400A
    lda period_hi, y
    ora #$70        ; length index 14 (13 frames); the linear counter ends it first
    sta $400B
no_bass:

    lda drums, x
    lsr a
    bcc no_kick
    pha
    lda #$0F        ; stop the sample so the next start begins afresh
    sta $4015
    lda #$0E
    sta $4010
    lda #$40        ; direct load: the level the sample starts from
    sta $4011
    lda #<((kick - $C000) / 64)
    sta $4012
    lda #KICK_LENGTH
    sta $4013
    lda #$1F
    sta $4015
    pla
no_kick:
    lsr a
    bcc no_snare
    ldy #$02        ; decaying every 3 ticks
    sty $400C
    ldy #$09        ; long mode, period index 9
    sty $400E
    ldy #$08
    sty $400F
no_snare:
    lsr a
    bcc no_hat
    ldy #$13        ; constant volume 3
    sty $400C
    ldy #$03        ; long mode, a high period
    sty $400E
    ldy #$28        ; length index 5: 4 half frames
    sty $400F
no_hat:
    lsr a
    bcc no_metal
    ldy #$03
    sty $400C
    ldy #$86        ; short mode, period index 6: a ringing tone
    sty $400E
    ldy #$08
    sty $400F
no_metal:
    rts

.segment "RODATA"
; Pulse periods by semitone from G3 to G5 (index 0 unused): the console's
; clock over 16 times the equal-tempered pitch (A4 = 440 Hz), less one.
period_lo:
    .byte 0
    .lobytes 570, 538, 507, 479, 452, 427, 403, 380, 359, 338, 319, 301, 284
    .lobytes 268, 253, 239, 225, 213, 201, 189, 179, 169, 159, 150, 142
period_hi:
    .byte 0
    .hibytes 570, 538, 507, 479, 452, 427, 403, 380, 359, 338, 319, 301, 284
    .hibytes 268, 253, 239, 225, 213, 201, 189, 179, 169, 159, 150, 142

; One byte a step; 0 lets what sounds go on.
melody:
    .byte E5, 0, E5, 0, F5, 0, G5, 0
    .byte G5, 0, F5, 0, E5, 0, D5, 0
    .byte C5, 0, C5, 0, D5, 0, E5, 0
    .byte E5, 0, 0, D5, D5, 0, 0, 0
harmony:
    .byte G4, 0, 0, 0, C5, 0, 0, 0
    .byte B4, 0, 0, 0, G4, 0, 0, 0
    .byte E4, 0, 0, 0, A4, 0, 0, 0
    .byte G4, 0, 0, 0, B4 | SWEEP, 0, 0, 0
bass:
    .byte BC3, 0, BG2, 0, BC3, 0, BG2, 0
    .byte BG2, 0, BD3, 0, BG2, 0, BD3, 0
    .byte BC3, 0, BG2, 0, BC3, 0, BE3, 0
    .byte BG2, 0, BD3, 0, BG2, 0, BB2, 0
drums:
    .byte KICK, HAT, SNARE, HAT, KICK, HAT, SNARE, HAT
    .byte KICK, HAT, SNARE, HAT, KICK, HAT, SNARE, HAT
    .byte KICK, HAT, SNARE, HAT, KICK, HAT, SNARE, HAT
    .byte KICK, HAT, SNARE, HAT, KICK, HAT, METAL, METAL

.segment "SAMPLES"
; The kick: bit 0 of each byte first, a one raising the level by 2 and a
; zero lowering it. Made by following a sine of 160 Hz falling to 50 Hz
; whose swing (60 levels about $40) dies away over some 50 ms, one bit at
; 1,789,773 / 72 bits a second (rate 14).
kick:
    .byte $FF, $FF, $FF, $BB, $55, $95, $08, $01, $00, $00, $00, $00, $81, $90, $A4, $AA
    .byte $B6, $7B, $BF, $FF, $EF, $FF, $F7, $F7, $6E, $5B, $55, $25, $49, $84, $20, $10
    .byte $20, $20, $08, $21, $92, $94, $AA, $6A, $6D, $BB, $BB, $F7, $BE, $EF, $BD, $77
    .byte $B7, $6D, $6B, $55, $55, $4A, $49, $22, $11, $11, $21, $22, $44, $22, $91, $94
    .byte $54, $AA, $AA, $5A, $6D, $6D, $DB, $6D, $B7, $BB, $DD, $6E, $BB, $6D, $6D, $AD
    .byte $56, $55, $55, $A9, $94, $92, $92, $24, $89, $24, $49, $92, $24, $49, $4A, $29
    .byte $95, $AA, $AA, $AA, $5A, $AD, $D6, $DA, $DA, $D6, $B6, $6D, $6D, $5B, $5B, $5B
    .byte $6B, $B5, $5A, $55, $55, $55, $55, $A5, $52, $29, $95, $94, $52, $52, $52, $4A
    .byte $4A, $29, $A5, $94, $4A, $95, $AA, $52, $55, $55, $AD, $AA, $55, $AB, $D5, $5A
    .byte $AD, $B5, $D6, $5A, $AD, $B5, $56, $AB, $D5, $AA, $55, $B5, $AA, $AA, $AA, $AA
    .byte $2A, $55, $A5, $4A, $95, $4A, $A5, $52, $29, $95, $4A, $A5, $52, $A9, $52, $A5
    .byte $2A, $55, $55, $A9, $AA, $AA, $6A, $55, $55, $AB, $6A, $55, $AB, $56, $AD, $56
    .byte $AD, $5A, $AD, $5A, $B5, $AA, $55, $AD, $AA, $56, $55, $55, $55, $55, $55, $55
    .byte $55, $A5, $AA, $52, $55, $AA, $4A, $95, $AA, $54, $A5, $4A, $55, $A9, $4A, $55
    .byte $A5, $AA, $4A, $55, $55, $55, $55, $55, $55, $55, $55, $AD, $AA, $6A, $55, $B5
    .byte $AA, $5A, $55, $AB, $6A, $55, $AD, $AA, $55, $55, $AB, $AA, $6A, $55, $55, $55
    .byte $55, $55, $55, $55, $55, $55, $95, $AA, $AA, $4A, $55, $95, $AA, $2A, $55, $55
    .byte $AA, $AA, $54, $55, $A5, $AA, $AA, $52, $55, $55, $55, $55, $55, $55, $55, $55
    .byte $55, $55, $55, $B5, $AA, $AA, $AA, $55, $55, $B5, $AA, $AA, $56, $55, $D5, $AA
    .byte $AA, $AA, $55, $55, $55, $55, $D5, $AA, $AA, $AA, $AA, $AA, $2A, $55, $55, $55
    .byte $55, $55, $A9, $AA, $AA, $2A, $55, $55, $55, $AA, $AA, $AA, $52, $55, $55, $55
    .byte $95, $AA, $AA, $AA, $AA, $AA, $AA, $AA, $AA, $AA, $AA, $AA, $AA, $5A, $55, $55
    .byte $55, $55, $AD, $AA, $AA, $AA, $5A, $55, $55, $55, $D5, $AA, $AA, $AA, $AA, $AA
    .byte $AA

.segment "VECTORS"
    .word nmi, reset, irq
