; Virel's demo cartridge: the first thing a user sees. A title drawn in
; tiles with cycling colours; a night landscape scrolling in two layers
; under the fixed title (split on the sprite-0 hit, the layers apart by a
; counted wait); a ship flown with pad 1 that collects sparkles; and a short
; tune on the first square and the triangle channel.

.include "nrom.inc"

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSTATUS = $2002
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007
OAMDMA    = $4014
SNDCTRL   = $4015
JOY1      = $4016

OAM       = $0200           ; sprite memory image, sent by DMA every frame
SPARK_X   = $0300           ; eight sparkles: x, base y, phase of the bob
SPARK_Y   = $0308
SPARK_PH  = $0310
SPARKS    = 8

; Sprite numbers (times 4: their place in OAM).
SPR_SHIP  = 1 * 4
SPR_MOON  = 5 * 4
SPR_SPARK = 9 * 4

SPLIT_TURNS = 2055          ; sprite-0 line to the hills, in turns of the wait loop
CTRL_RUN  = %10001000       ; NMI on, sprites from $1000, background from $0000
MASK_RUN  = %00011110       ; background and sprites shown

.segment "ZEROPAGE"
frame:       .res 1         ; counted by the NMI handler
pad:         .res 1         ; bit 0..7: A B Select Start Up Down Left Right
scroll_x:    .res 1         ; hills and ground
far_x:       .res 1         ; sky and mountains, half as fast
ship_x:      .res 1
ship_y:      .res 1
hue:         .res 1
hue_timer:   .res 1
music_pos:   .res 1
music_timer: .res 1
ptr:         .res 2
count:       .res 2
tmp:         .res 1

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta PPUCTRL
    sta PPUMASK

    ; Work RAM to zero, every sprite off screen (Y $FF is never drawn).
    ldx #0
@clear:
    lda #0
    sta $00,x
    sta $0100,x
    sta $0300,x
    sta $0400,x
    sta $0500,x
    sta $0600,x
    sta $0700,x
    lda #$FF
    sta OAM,x
    inx
    bne @clear

    ; Palette memory, all 32 entries; the backdrop copies come out black.
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    ldx #0
@palette:
    lda palette,x
    sta PPUDATA
    inx
    cpx #32
    bne @palette

    ; Name table 0: the title screen, the landscape and the attributes.
    lda #$20
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda #<screen
    sta ptr
    lda #>screen
    sta ptr+1
    lda #<1024
    sta count
    lda #>1024
    sta count+1
    jsr copy_vram

    ; Name table 1 only feeds the tiles scrolled in from the right: blank
    ; above the divider, then the same divider, landscape and attributes
    ; (the divider too, since the split lands inside it).
    lda #$24
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda #0
    ldx #<(13 * 32)
    ldy #>(13 * 32)
    jsr fill_vram
    lda #<divider
    sta ptr
    lda #>divider
    sta ptr+1
    lda #<(17 * 32 + 64)
    sta count
    lda #>(17 * 32 + 64)
    sta count+1
    jsr copy_vram

    ; Fixed sprites: sprite 0 (the gem on the divider) and the moon.
    ldx #0
@fixed:
    lda fixed_sprites,x
    sta OAM,x
    inx
    cpx #4
    bne @fixed
    ldx #0
@moon:
    lda moon_sprites,x
    sta OAM + SPR_MOON,x
    inx
    cpx #16
    bne @moon

    ; Sparkles spread over the landscape, each at its own bob phase.
    ldx #SPARKS - 1
@sparks:
    txa
    asl a
    asl a
    asl a
    asl a
    asl a
    sta SPARK_X,x
    lda spark_rows,x
    sta SPARK_Y,x
    txa
    asl a
    asl a
    sta SPARK_PH,x
    dex
    bpl @sparks

    lda #40
    sta ship_x
    lda #160
    sta ship_y
    lda #1
    sta hue_timer
    sta music_timer
    lda #$0F                ; squares, triangle and noise on
    sta SNDCTRL

    lda #CTRL_RUN
    sta PPUCTRL
    lda #MASK_RUN
    sta PPUMASK

main:
    jsr wait_frame
    ; The NMI handler set the top of the picture still. Wait for the gem on
    ; the divider, then let the landscape below it scroll.
@hit:
    bit PPUSTATUS
    bvc @hit
    lda far_x               ; sky and mountains: the far layer
    sta PPUSCROLL
    lda #0
    sta PPUSCROLL
    ; Count lines down to the blank top rows of the hills (lines 192-193),
    ; where the near layer takes over. A line is 122 cycles, so the wait is
    ; counted in loop turns; the frame's timing never varies.
    ldy #<SPLIT_TURNS
    ldx #>SPLIT_TURNS + 1
@wait:
    dey
    bne @wait
    dex
    bne @wait
    lda scroll_x            ; hills and ground: the near layer
    sta PPUSCROLL
    lda #0
    sta PPUSCROLL

    jsr read_pad
    jsr move_ship
    jsr move_sparks
    jsr play_music

    ; The ground moves a pixel a frame and the mountains every other frame;
    ; both twice as fast while A is held.
    inc scroll_x
    lda frame
    and #1
    beq @near
    inc far_x
@near:
    lda pad
    and #$01
    beq main
    inc scroll_x
    lda frame
    and #1
    bne main
    inc far_x
    jmp main

; Waits until the NMI handler has counted the next frame.
wait_frame:
    lda frame
@wait:
    cmp frame
    beq @wait
    rts

; Writes count bytes from (ptr) to video memory.
copy_vram:
    ldy #0
@loop:
    lda (ptr),y
    sta PPUDATA
    iny
    bne @counted
    inc ptr+1
@counted:
    lda count
    bne @low
    dec count+1
@low:
    dec count
    lda count
    ora count+1
    bne @loop
    rts

; Writes the byte in A to video memory Y*256+X times.
fill_vram:
    stx count
    sty count+1
@loop:
    sta PPUDATA
    ldx count
    bne @low
    dec count+1
@low:
    dec count
    ldx count
    bne @loop
    ldx count+1
    bne @loop
    rts

; Pad 1 into `pad`: strobe, then eight serial reads, A first.
read_pad:
    lda #1
    sta JOY1
    lda #0
    sta JOY1
    ldx #8
@bit:
    lda JOY1
    lsr a
    ror pad
    dex
    bne @bit
    rts

; The ship flies two pixels a frame within the landscape.
SHIP_LEFT   = 8
SHIP_RIGHT  = 232
SHIP_TOP    = 116
SHIP_BOTTOM = 206

move_ship:
    lda pad
    and #$10                ; Up
    beq @down
    lda ship_y
    sec
    sbc #2
    cmp #SHIP_TOP
    bcs @sety
    lda #SHIP_TOP
@sety:
    sta ship_y
@down:
    lda pad
    and #$20                ; Down
    beq @left
    lda ship_y
    clc
    adc #2
    cmp #SHIP_BOTTOM + 1
    bcc @sety2
    lda #SHIP_BOTTOM
@sety2:
    sta ship_y
@left:
    lda pad
    and #$40                ; Left
    beq @right
    lda ship_x
    sec
    sbc #2
    cmp #SHIP_LEFT
    bcs @setx
    lda #SHIP_LEFT
@setx:
    sta ship_x
@right:
    lda pad
    and #$80                ; Right
    beq @draw
    lda ship_x
    clc
    adc #2
    cmp #SHIP_RIGHT + 1
    bcc @setx2
    lda #SHIP_RIGHT
@setx2:
    sta ship_x

@draw:
    ; Four sprites; the flame flickers between two lengths.
    lda frame
    and #$04
    beq @long
    ldx #$06
    ldy #$07
    bne @tiles
@long:
    ldx #$02
    ldy #$04
@tiles:
    stx OAM + SPR_SHIP + 1
    sty OAM + SPR_SHIP + 9
    lda #$03
    sta OAM + SPR_SHIP + 5
    lda #$05
    sta OAM + SPR_SHIP + 13
    lda #0
    sta OAM + SPR_SHIP + 2
    sta OAM + SPR_SHIP + 6
    sta OAM + SPR_SHIP + 10
    sta OAM + SPR_SHIP + 14
    lda ship_y
    sta OAM + SPR_SHIP + 0
    sta OAM + SPR_SHIP + 4
    clc
    adc #8
    sta OAM + SPR_SHIP + 8
    sta OAM + SPR_SHIP + 12
    lda ship_x
    sta OAM + SPR_SHIP + 3
    sta OAM + SPR_SHIP + 11
    clc
    adc #8
    sta OAM + SPR_SHIP + 7
    sta OAM + SPR_SHIP + 15
    rts

; Sparkles drift left faster than the landscape and bob on a sine. One the
; ship touches goes back to the right edge with a rising chime.
move_sparks:
    ldx #SPARKS - 1
@one:
    dec SPARK_X,x
    dec SPARK_X,x
    lda SPARK_PH,x
    clc
    adc #1
    and #31
    sta SPARK_PH,x
    tay
    lda SPARK_Y,x
    clc
    adc sine,y
    sta tmp                 ; the sparkle's y this frame

    ; Touching: both distances within -8..15 of the ship's corner.
    lda SPARK_X,x
    sec
    sbc ship_x
    clc
    adc #8
    cmp #24
    bcs @place
    lda tmp
    sec
    sbc ship_y
    clc
    adc #8
    cmp #24
    bcs @place
    lda #248
    sta SPARK_X,x
    jsr chime

@place:
    txa
    asl a
    asl a
    tay
    lda tmp
    sta OAM + SPR_SPARK + 0,y
    txa                     ; neighbours twinkle out of step
    clc
    adc frame
    lsr a
    lsr a
    lsr a
    and #1
    ora #$08
    sta OAM + SPR_SPARK + 1,y
    lda #$02
    sta OAM + SPR_SPARK + 2,y
    lda SPARK_X,x
    sta OAM + SPR_SPARK + 3,y
    dex
    bpl @one
    rts

; A short rising chime on the second square channel: the sweep takes the
; period down by 2 x 3 units every frame.
chime:
    lda #$BF
    sta $4004
    lda #%10101011          ; sweep on, P = 2, lower the period, S = 3
    sta $4005
    lda #<(111860 / 1568 - 1)
    sta $4006
    lda #>(111860 / 1568 - 1)
    sta $4007
    rts

; One step of the tune every ten frames: a melody note on square 1 with its
; length in the length counter, and a bass note on the triangle every second
; step.
STEP_FRAMES = 10

play_music:
    dec music_timer
    bne @done
    lda #STEP_FRAMES
    sta music_timer

    lda music_pos
    asl a
    tax
    ldy melody,x
    beq @bass
    lda #$BF
    sta $4000
    lda #$08                ; no sweep
    sta $4001
    lda period_lo,y
    sta $4002
    lda period_hi,y
    ora melody+1,x
    sta $4003
@bass:
    ldx music_pos
    ldy bass,x
    beq @next
    lda #$FF
    sta $4008
    lda period_lo,y
    sta $400A
    lda period_hi,y
    ora #15 << 3            ; 17 frames
    sta $400B
@next:
    lda music_pos
    clc
    adc #1
    and #63
    sta music_pos
@done:
    rts

nmi:
    pha
    txa
    pha
    tya
    pha

    lda #>OAM
    sta OAMDMA

    ; Every eighth frame the title takes the next hue: highlight, body and
    ; shadow of the same colour, lightest to darkest.
    dec hue_timer
    bne @still
    lda #8
    sta hue_timer
    ldx hue
    inx
    cpx #12
    bne @hue
    ldx #0
@hue:
    stx hue
    lda #$3F
    sta PPUADDR
    lda #$05
    sta PPUADDR
    lda hues,x
    ora #$30
    sta PPUDATA
    lda hues,x
    ora #$20
    sta PPUDATA
    lda hues,x
    ora #$10
    sta PPUDATA
@still:
    ; The top of the next picture does not scroll.
    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    inc frame

    pla
    tay
    pla
    tax
    pla
irq:
    rti

.segment "RODATA"

palette:
    .byte $0F, $01, $21, $30    ; text, stars, divider
    .byte $0F, $31, $21, $11    ; title blocks: highlight, body, shadow
    .byte $0F, $01, $12, $30    ; sky and mountains
    .byte $0F, $0A, $1A, $17    ; hills, grass and earth
    .byte $0F, $30, $16, $38    ; ship: hull, trim, flame
    .byte $0F, $38, $28, $30    ; moon
    .byte $0F, $2C, $3C, $30    ; sparkles
    .byte $0F, $21, $31, $30    ; the gem of sprite 0

hues:
    .byte $01, $02, $03, $04, $05, $06, $07, $08, $09, $0A, $0B, $0C

; Sprite 0 sits on the divider; its last opaque row is row 6, so the hit
; comes on line 100 + 7, inside the divider's uniform rows.
fixed_sprites:
    .byte 100, $01, $03, 124
moon_sprites:
    .byte 118, $0A, $01, 200
    .byte 118, $0B, $01, 208
    .byte 126, $0C, $01, 200
    .byte 126, $0D, $01, 208

spark_rows:
    .byte 124, 176, 140, 196, 130, 160, 188, 150

sine:                           ; 6 x sin(2 pi k / 32)
    .byte 0, 1, 2, 3, 4, 5, 6, 6, 6, 6, 6, 5, 4, 3, 2, 1
    .byte 0, <-1, <-2, <-3, <-4, <-5, <-6, <-6, <-6, <-6, <-6, <-5, <-4, <-3, <-2, <-1

; Periods by the pitch formula: hertz = 111860 / (period + 1).
.define PERIOD(hz) (111860 / (hz) - 1)
E2 = 1
F2 = 2
G2 = 3
A2 = 4
B2 = 5
C3 = 6
D3 = 7
E3 = 8
F3 = 9
G3 = 10
A3 = 11
B3 = 12
C5 = 13
D5 = 14
E5 = 15
F5 = 16
G5 = 17
A5 = 18
B5 = 19
C6 = 20
D6 = 21
E6 = 22
period_lo:
    .byte 0
    .lobytes PERIOD(82), PERIOD(87), PERIOD(98), PERIOD(110), PERIOD(123), PERIOD(131), PERIOD(147)
    .lobytes PERIOD(165), PERIOD(175), PERIOD(196), PERIOD(220), PERIOD(247), PERIOD(523), PERIOD(587)
    .lobytes PERIOD(659), PERIOD(698), PERIOD(784), PERIOD(880), PERIOD(988), PERIOD(1047), PERIOD(1175)
    .lobytes PERIOD(1319)
period_hi:
    .byte 0
    .hibytes PERIOD(82), PERIOD(87), PERIOD(98), PERIOD(110), PERIOD(123), PERIOD(131), PERIOD(147)
    .hibytes PERIOD(165), PERIOD(175), PERIOD(196), PERIOD(220), PERIOD(247), PERIOD(523), PERIOD(587)
    .hibytes PERIOD(659), PERIOD(698), PERIOD(784), PERIOD(880), PERIOD(988), PERIOD(1047), PERIOD(1175)
    .hibytes PERIOD(1319)

; A melody note held for 1, 2 or 4 steps: the note, then the length index
; for $4003 (8, 16 or 32 frames: a little shorter than the steps, so that
; repeated notes are heard apart).
.macro N note, steps
    .if steps = 1
        .byte note, 0 << 3
    .elseif steps = 2
        .byte note, 1 << 3
    .else
        .byte note, 3 << 3
    .endif
    .repeat steps - 1
        .byte 0, 0
    .endrepeat
.endmacro
.macro REST steps
    .repeat steps
        .byte 0, 0
    .endrepeat
.endmacro

melody:
    N E5,1
    N G5,1
    N C6,2
    N B5,1
    N C6,1
    N D6,2
    N C6,1
    N G5,1
    N E5,2
    N G5,2
    REST 2
    N F5,1
    N A5,1
    N C6,2
    N B5,1
    N A5,1
    N G5,2
    N E5,1
    N F5,1
    N G5,2
    N D5,2
    REST 2
    N E5,1
    N G5,1
    N C6,2
    N B5,1
    N C6,1
    N D6,2
    N E6,1
    N D6,1
    N C6,2
    N A5,2
    REST 2
    N F5,1
    N A5,1
    N D6,2
    N C6,1
    N B5,1
    N G5,2
    N C6,4
    REST 4
melody_end:
.assert melody_end - melody = 128, error, "the melody must fill 64 steps"

; Bass: a quarter note (two steps) each.
bass:
    .byte C3, 0, G2, 0, C3, 0, G2, 0
    .byte C3, 0, G2, 0, C3, 0, E3, 0
    .byte F2, 0, C3, 0, F2, 0, C3, 0
    .byte G2, 0, D3, 0, G2, 0, B2, 0
    .byte C3, 0, G2, 0, C3, 0, G2, 0
    .byte A2, 0, E3, 0, A2, 0, E3, 0
    .byte F2, 0, C3, 0, G2, 0, D3, 0
    .byte C3, 0, G2, 0, C3, 0, 0, 0
bass_end:
.assert bass_end - bass = 64, error, "the bass must fill 64 steps"

; The screen, one string of 32 tiles per row: the characters are the tile
; numbers, so letters show the font and the signs below show the artwork.
;   @ title block   _ divider   * , stars
;   < > slopes   [ ] snowy peaks   # lit rock   + shaded rock
;   { } ~ hill tops   & hill   $ tree   = grass   % earth
.macro ROW text
    .assert .strlen(text) = 32, error, "a row holds 32 tiles"
    .byte text
.endmacro

screen:
    ROW "                                "
    ROW "  ,     *      ,        ,   *   "
    ROW "                                "
    ROW "    @   @ @@@ @@@  @@@@ @       "
    ROW "    @   @  @  @  @ @    @       "
    ROW "     @ @   @  @@@  @@@  @       "
    ROW "     @ @   @  @ @  @    @       "
    ROW "      @   @@@ @  @ @@@@ @@@@    "
    ROW "   ,                       *    "
    ROW "       UM EMULADOR DE NES       "
    ROW "      ,              ,          "
    ROW "  MOVA A NAVE COM O CONTROLE 1  "
    ROW "                                "
divider:
    ROW "________________________________"
    ROW "  *          ,             ,    "
    ROW "        ,          *            "
    ROW " ,                        ,     "
    ROW "            ,     ,      *      "
    ROW "                     []         "
    ROW "    []              <#+>        "
    ROW "   <#+>            <##++>       "
    ROW "  <##++>    []    <###+++>      "
    ROW " <###+++>  <#+>  <####++++>  [] "
    ROW "<####++++><##++><#####+++++><#+>"
    ROW "   {~~}   $     {~~~~}   $  $   "
    ROW "&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&"
    ROW "================================"
    ROW "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"
    ROW "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"
    ROW "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"
attributes:                     ; palettes by pairs of tile rows
    .res 8, $50                 ; rows 0-1 text, 2-3 title
    .res 8, $55                 ; rows 4-7 title
    .res 8, $00                 ; rows 8-11 text
    .res 8, $A0                 ; rows 12-13 divider, 14-15 sky
    .res 8, $AA                 ; rows 16-19 sky and mountains
    .res 8, $AA                 ; rows 20-23 mountains
    .res 8, $FF                 ; rows 24-27 hills, grass, earth
    .res 8, $FF                 ; rows 28-29 earth
.assert attributes - screen = 960, error, "30 rows of 32 tiles"

.segment "VECTORS"
    .word nmi, reset, irq

; ---------------------------------------------------------------------------
; Pattern memory. T8 takes the eight rows of a tile as strings, one
; character per pixel: "." colour 0 (transparent), "1" to "3" colours 1-3.
.macro PLANE row, plane
    .scope
    bits .set 0
    .repeat 8, i
        bits .set bits | ((((.strat(row, i) - '0') * (.strat(row, i) >= '1') * (.strat(row, i) <= '3')) >> plane) & 1) << (7 - i)
    .endrepeat
    .byte bits
    .endscope
.endmacro
.macro T8 r0, r1, r2, r3, r4, r5, r6, r7
    PLANE r0, 0
    PLANE r1, 0
    PLANE r2, 0
    PLANE r3, 0
    PLANE r4, 0
    PLANE r5, 0
    PLANE r6, 0
    PLANE r7, 0
    PLANE r0, 1
    PLANE r1, 1
    PLANE r2, 1
    PLANE r3, 1
    PLANE r4, 1
    PLANE r5, 1
    PLANE r6, 1
    PLANE r7, 1
.endmacro
; Pads the pattern table up to tile `n` of the half that starts at `base`.
.macro AT base, n
    .assert * - base <= (n) * 16, error, "tiles overlap"
    .res (n) * 16 - (* - base), 0
.endmacro

.segment "CHARS"
background:                     ; $0000: tiles named by the characters of the rows
    AT background, '!'
    T8 "...3....", "...31...", "...31...", "...31...", "...31...", "....1...", "...3....", "....1..."  ; !
    AT background, '#'
    T8 "22222222", "22222222", "22212222", "22222222", "22222222", "22222212", "22222222", "22222222"  ; # lit rock
    AT background, '$'
    T8 "........", "........", "...2....", "..222...", ".22122..", "2222222.", "...3....", "...3...."  ; $ tree
    AT background, '%'
    T8 "3333333.", "3333333.", "3333333.", "........", "333.3333", "333.3333", "333.3333", "........"  ; % earth
    AT background, '&'
    T8 "11111111", "11121111", "11111111", "11111111", "11111121", "11111111", "12111111", "11111111"  ; & hill
    AT background, '*'
    T8 "........", "...1....", "...2....", ".12321..", "...2....", "...1....", "........", "........"  ; * big star
    AT background, '+'
    T8 "11111111", "11111111", "11111111", "11112111", "11111111", "11111111", "12111111", "11111111"  ; + shaded rock
    AT background, ','
    T8 "........", "........", "........", "....3...", "........", "........", "........", "........"  ; , small star
    AT background, '-'
    T8 "........", "........", "........", "..333...", "...111..", "........", "........", "........"  ; -
    AT background, '.'
    T8 "........", "........", "........", "........", "........", "..33....", "..331...", "...11..."  ; .
    AT background, '0'
    T8 "..333...", ".3.113..", ".31.331.", ".313.31.", ".33.131.", ".311.31.", "..333.1.", "...111.."  ; 0
    AT background, '1'
    T8 "...3....", "..331...", "...31...", "...31...", "...31...", "...31...", "..333...", "...111.."  ; 1
    AT background, '2'
    T8 "..333...", ".3.113..", "..1..31.", "....3.1.", "...3.1..", "..3.1...", ".33333..", "..11111."  ; 2
    AT background, '3'
    T8 ".3333...", "..1113..", ".....31.", "..333.1.", "...113..", ".....31.", ".3333.1.", "..1111.."  ; 3
    AT background, '4'
    T8 "....3...", "...331..", "..3.31..", ".3.131..", ".33333..", "..11311.", "....31..", ".....1.."  ; 4
    AT background, '5'
    T8 ".33333..", ".311111.", ".3333...", "..1113..", ".....31.", ".3...31.", "..333.1.", "...111.."  ; 5
    AT background, '6'
    T8 "..333...", ".3.111..", ".31.....", ".3333...", ".31113..", ".31..31.", "..333.1.", "...111.."  ; 6
    AT background, '7'
    T8 ".33333..", "..11131.", "....3.1.", "...3.1..", "..3.1...", "..31....", "..31....", "...1...."  ; 7
    AT background, '8'
    T8 "..333...", ".3.113..", ".31..31.", "..333.1.", ".3.113..", ".31..31.", "..333.1.", "...111.."  ; 8
    AT background, '9'
    T8 "..333...", ".3.113..", ".31..31.", "..33331.", "...1131.", ".....31.", "..333.1.", "...111.."  ; 9
    AT background, ':'
    T8 "........", "..33....", "..331...", "...11...", "..33....", "..331...", "...11...", "........"  ; :
    AT background, '<'
    T8 ".......2", "......22", ".....222", "....2222", "...22222", "..222222", ".2222222", "22222222"  ; < rising slope
    AT background, '='
    T8 "21221222", "22222222", "22322232", "33333333", "33333333", "31333313", "33333333", "33333333"  ; = grass
    AT background, '>'
    T8 "1.......", "11......", "111.....", "1111....", "11111...", "111111..", "1111111.", "11111111"  ; > falling slope
    AT background, '@'
    T8 "11111112", "12222223", "12222223", "12222223", "12222223", "12222223", "12222223", "23333333"  ; @ title block
    AT background, 'A'
    T8 "..333...", ".3.113..", ".31..31.", ".333331.", ".311131.", ".31..31.", ".31..31.", "..1...1."  ; A
    AT background, 'B'
    T8 ".3333...", ".31113..", ".31..31.", ".3333.1.", ".31113..", ".31..31.", ".3333.1.", "..1111.."  ; B
    AT background, 'C'
    T8 "..333...", ".3.113..", ".31...1.", ".31.....", ".31.....", ".31..3..", "..333.1.", "...111.."  ; C
    AT background, 'D'
    T8 ".3333...", ".31113..", ".31..31.", ".31..31.", ".31..31.", ".31..31.", ".3333.1.", "..1111.."  ; D
    AT background, 'E'
    T8 ".33333..", ".311111.", ".31.....", ".3333...", ".31111..", ".31.....", ".33333..", "..11111."  ; E
    AT background, 'F'
    T8 ".33333..", ".311111.", ".31.....", ".3333...", ".31111..", ".31.....", ".31.....", "..1....."  ; F
    AT background, 'G'
    T8 "..333...", ".3.113..", ".31...1.", ".31333..", ".31.131.", ".31..31.", "..33331.", "...1111."  ; G
    AT background, 'H'
    T8 ".3...3..", ".31..31.", ".31..31.", ".333331.", ".311131.", ".31..31.", ".31..31.", "..1...1."  ; H
    AT background, 'I'
    T8 "..333...", "...311..", "...31...", "...31...", "...31...", "...31...", "..333...", "...111.."  ; I
    AT background, 'J'
    T8 "...333..", "....311.", "....31..", "....31..", "....31..", ".3..31..", "..33.1..", "...11..."  ; J
    AT background, 'K'
    T8 ".3...3..", ".31.3.1.", ".313.1..", ".33.1...", ".313....", ".31.3...", ".31..3..", "..1...1."  ; K
    AT background, 'L'
    T8 ".3......", ".31.....", ".31.....", ".31.....", ".31.....", ".31.....", ".33333..", "..11111."  ; L
    AT background, 'M'
    T8 ".3...3..", ".33.331.", ".313.31.", ".313131.", ".31.131.", ".31..31.", ".31..31.", "..1...1."  ; M
    AT background, 'N'
    T8 ".3...3..", ".31..31.", ".33..31.", ".313.31.", ".31.331.", ".31..31.", ".31..31.", "..1...1."  ; N
    AT background, 'O'
    T8 "..333...", ".3.113..", ".31..31.", ".31..31.", ".31..31.", ".31..31.", "..333.1.", "...111.."  ; O
    AT background, 'P'
    T8 ".3333...", ".31113..", ".31..31.", ".3333.1.", ".31111..", ".31.....", ".31.....", "..1....."  ; P
    AT background, 'Q'
    T8 "..333...", ".3.113..", ".31..31.", ".31..31.", ".313.31.", ".31.3.1.", "..33.3..", "...11.1."  ; Q
    AT background, 'R'
    T8 ".3333...", ".31113..", ".31..31.", ".3333.1.", ".31311..", ".31.3...", ".31..3..", "..1...1."  ; R
    AT background, 'S'
    T8 "..3333..", ".3.1111.", ".31.....", "..333...", "...113..", ".....31.", ".3333.1.", "..1111.."  ; S
    AT background, 'T'
    T8 ".33333..", "..13111.", "...31...", "...31...", "...31...", "...31...", "...31...", "....1..."  ; T
    AT background, 'U'
    T8 ".3...3..", ".31..31.", ".31..31.", ".31..31.", ".31..31.", ".31..31.", "..333.1.", "...111.."  ; U
    AT background, 'V'
    T8 ".3...3..", ".31..31.", ".31..31.", ".31..31.", ".31..31.", "..3.3.1.", "...3.1..", "....1..."  ; V
    AT background, 'W'
    T8 ".3...3..", ".31..31.", ".31..31.", ".313.31.", ".313131.", ".313131.", "..3.3.1.", "...1.1.."  ; W
    AT background, 'X'
    T8 ".3...3..", ".31..31.", "..3.3.1.", "...3.1..", "..3.3...", ".3.1.3..", ".31..31.", "..1...1."  ; X
    AT background, 'Y'
    T8 ".3...3..", ".31..31.", "..3.3.1.", "...3.1..", "...31...", "...31...", "...31...", "....1..."  ; Y
    AT background, 'Z'
    T8 ".33333..", "..11131.", "....3.1.", "...3.1..", "..3.1...", ".3.1....", ".33333..", "..11111."  ; Z
    AT background, '['
    T8 ".......3", "......33", ".....333", "....3323", "...32222", "..232222", ".2222222", "22222222"  ; [ snowy peak, rising
    AT background, ']'
    T8 "3.......", "33......", "331.....", "3131....", "11111...", "111111..", "1111111.", "11111111"  ; ] snowy peak, falling
    AT background, '_'
    T8 "........", "11111111", "22222222", "33333333", "22222222", "11111111", "........", "........"  ; _ divider
    AT background, '{'
    T8 "........", "........", "......22", "....2211", "...21111", "..211111", ".2111111", "21111111"  ; { hill, left edge
    AT background, '}'
    T8 "........", "........", "22......", "1122....", "11112...", "111112..", "1111112.", "11111112"  ; } hill, right edge
    AT background, '~'
    T8 "........", "........", "22222222", "11111111", "11111111", "11111111", "11111111", "11111111"  ; ~ hill top
    AT background, 256

sprites:                        ; $1000
    AT sprites, 1
    T8 "...3....", "..323...", ".32123..", "3211123.", ".32123..", "..323...", "...3....", "........"  ; $01 gem (sprite 0)
    T8 "........", "........", "....22..", "....212.", "....2112", "...21111", ".3321111", "33321111"  ; $02 ship, top left
    T8 "........", "........", "........", "........", "........", "222.....", "121122..", "11211112"  ; $03 ship, top right
    T8 "33321111", ".3321111", "...21111", "....2112", "....212.", "....22..", "........", "........"  ; $04 ship, bottom left
    T8 "11211112", "121122..", "222.....", "........", "........", "........", "........", "........"  ; $05 ship, bottom right
    T8 "........", "........", "....22..", "....212.", "....2112", "...21111", "..321111", ".3321111"  ; $06 ship, top left, flame low
    T8 ".3321111", "..321111", "...21111", "....2112", "....212.", "....22..", "........", "........"  ; $07 ship, bottom left, flame low
    T8 "...1....", "...2....", "..121...", "1223221.", "..121...", "...2....", "...1....", "........"  ; $08 sparkle
    T8 "........", "...1....", "..121...", ".12321..", "..121...", "...1....", "........", "........"  ; $09 sparkle, small
    T8 "........", ".....333", "...33331", "..333111", "..332221", ".3312221", ".3312221", ".3111111"  ; $0A moon, top left
    T8 "........", "333.....", "13111...", "111211..", "112221..", "1112111.", "1111111.", "1121111."  ; $0B moon, top right
    T8 ".3111111", ".3311111", ".3111121", "..111222", "..111121", "...11111", ".....111", "........"  ; $0C moon, bottom left
    T8 "1222111.", "2222211.", "1222111.", "112111..", "111111..", "11111...", "111.....", "........"  ; $0D moon, bottom right
    AT sprites, 256
