; A busy picture for the renderer: both name tables full of varied tiles and
; attributes, a status bar over tile rows 0-4 that stays put, and below it a
; play field that scrolls one pixel to the left every frame and one line up
; every other frame (split on the sprite-0 hit at the bar's bottom edge).
; All 64 sprites are 8x16 and move every frame: flipped either way, in all
; four palettes, some behind the background, many on the same lines.
;
; Zero page: $00 frame counter, $01 horizontal and $02 vertical scroll of
; the play field, $03-$05 scratch.

.include "nrom.inc"

frame   = $00
scrollx = $01
scrolly = $02
temp    = $03
page    = $04
ypos    = $05
oam     = $0200

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
    sta frame
    sta scrollx
    sta scrolly

    ; Two vertical blanks before touching video memory.
:   bit $2002
    bpl :-
:   bit $2002
    bpl :-

    ; Palette memory, all 32 entries.
    lda #$3F
    sta $2006
    lda #$00
    sta $2006
    ldx #0
:   lda palette,x
    sta $2007
    inx
    cpx #32
    bne :-

    ; Name table $2000: tile (i + i / 32) & 7 at byte i, diagonal stripes of
    ; all eight tiles; name table $2400: (i / 2 + i / 32 * 3) & 7.
    lda #$20
    sta $2006
    lda #$00
    sta $2006
    lda #0
    sta page
@tables:
    ldx #0
@fill:
    txa
    lsr
    lsr
    lsr
    lsr
    lsr
    sta temp            ; row within the page
    lda page
    and #3
    asl
    asl
    asl
    clc
    adc temp            ; row within the table
    sta temp
    lda page
    and #4              ; the second table
    bne @right
    txa
    clc
    adc temp
    jmp @put
@right:
    lda temp
    asl
    adc temp            ; three times the row
    sta temp
    txa
    lsr
    clc
    adc temp
@put:
    and #7
    sta $2007
    inx
    bne @fill
    inc page
    lda page
    and #3
    bne @tables
    ; The last 64 bytes of each table are its attributes; the fill above put
    ; tiles there, so go back and write them.
    lda page
    cmp #4
    beq @attrLeft
    lda #$27
    bne @attrAddr
@attrLeft:
    lda #$23
@attrAddr:
    sta $2006
    lda #$C0
    sta $2006
    ldx #0
:   txa
    and #7
    tay
    lda attributes,y
    sta $2007
    inx
    cpx #64
    bne :-
    ; Back to the next table's first byte.
    lda page
    cmp #8
    beq @tablesDone
    lda #$24
    sta $2006
    lda #$00
    sta $2006
    jmp @tables
@tablesDone:

    ; Sprites: sprite 0 is the solid marker at the bar's bottom edge; the
    ; other 63 spread over the picture with attributes taken from their number.
    ldx #0
:   lda sprite0,x
    sta oam,x
    inx
    cpx #4
    bne :-
    lda #48
    sta ypos
@sprites:
    lda ypos            ; Y: 11 lines below the sprite before, within 48-223
    clc
    adc #11
    cmp #224
    bcc :+
    sbc #176
:   sta ypos
    sta oam,x
    txa
    and #4
    ora #3              ; tile 3 or 7: pattern pairs at $1020 and $1060
    sta oam+1,x
    txa
    lsr
    lsr
    sta temp            ; sprite number
    and #3              ; palette
    sta page
    lda temp
    and #$1C            ; bits 2-4 of the number: flips and priority
    asl
    asl
    asl
    ora page
    sta oam+2,x
    txa
    clc
    adc temp
    sta oam+3,x         ; X
    inx
    inx
    inx
    inx
    bne @sprites

    lda #$A0            ; interrupt at vertical blank, 8x16 sprites
    sta $2000
    lda #$18            ; background and sprites shown
    sta $2001

main:
    lda frame
:   cmp frame           ; wait for the vertical-blank handler
    beq :-
:   bit $2002           ; then for the hit at the bar's bottom edge
    bvc :-
    lda scrollx
    sta $2005
    lda scrolly
    sta $2005
    jmp main

nmi:
    pha
    txa
    pha
    lda #>oam
    sta $4014
    lda #0              ; the bar is never scrolled
    sta $2005
    sta $2005
    inc scrollx
    lda frame
    and #1
    beq @moved
    ldx scrolly
    inx
    cpx #240
    bcc :+
    ldx #0
:   stx scrolly
@moved:
    ; Every sprite but 0 moves right by 1-4 pixels; every other one also
    ; moves down a line and starts again at line 40, under the bar, when it
    ; reaches line 224.
    ldx #4
@move:
    txa
    lsr
    lsr
    and #3
    sec
    adc oam+3,x
    sta oam+3,x
    txa
    and #4
    beq @next
    lda oam,x
    clc
    adc #1
    cmp #224
    bcc :+
    lda #40
:   sta oam,x
@next:
    inx
    inx
    inx
    inx
    bne @move
    inc frame
    pla
    tax
    pla
    rti

irq:
    rti

.segment "RODATA"

palette:
    .byte $0F, $30, $16, $27,  $0F, $21, $2A, $12,  $0F, $17, $28, $38,  $0F, $01, $11, $21
    .byte $0F, $16, $27, $12,  $0F, $2A, $1A, $3A,  $0F, $14, $24, $34,  $0F, $02, $12, $22

attributes:
    .byte $00, $55, $AA, $FF, $1B, $E4, $39, $C6

; Y, tile, attributes, X: solid, rows 24-39, so the hit is on line 40.
sprite0:
    .byte 24, 1, $00, 8

.segment "VECTORS"
    .word nmi, reset, irq

.segment "CHARS"
    ; Background tiles 0-7 at $0000.
    .res 16, $00                                        ; 0: blank
    .res 8, $FF
    .res 8, $00                                         ; 1: colour 1
    .res 8, $55
    .res 8, $33                                         ; 2: colours 0,1,2,3 twice
    .res 8, $00
    .res 8, $FF                                         ; 3: colour 2
    .res 16, $FF                                        ; 4: colour 3
    .byte $80, $40, $20, $10, $08, $04, $02, $01        ; 5: a diagonal in colour 1
    .res 8, $00
    .byte $18, $3C, $7E, $FF, $FF, $7E, $3C, $18        ; 6: a diamond in colours 1 and 3
    .byte $00, $18, $3C, $7E, $7E, $3C, $18, $00
    .byte $F0, $F0, $F0, $F0, $0F, $0F, $0F, $0F        ; 7: a checker in colours 1 and 2
    .byte $0F, $0F, $0F, $0F, $F0, $F0, $F0, $F0
    .res $1000 - 8 * 16, $00
    ; Sprite tiles at $1000, in pairs (top, bottom) for 8x16 sprites.
    .res 32, $FF                                        ; tile 1: solid colour 3
    .byte $18, $3C, $7E, $FF, $FF, $7E, $3C, $18        ; tile 3: a tall diamond
    .byte $00, $18, $24, $42, $42, $24, $18, $00
    .byte $18, $3C, $7E, $FF, $FF, $7E, $3C, $18
    .byte $00, $00, $18, $3C, $3C, $18, $00, $00
    .res 32, $00
    .byte $C0, $E0, $70, $38, $1C, $0E, $07, $03        ; tile 7: a slanted bar, open at the bottom
    .byte $00, $C0, $60, $30, $18, $0C, $06, $03
    .byte $03, $07, $0E, $1C, $38, $70, $00, $00
    .byte $01, $03, $06, $0C, $18, $30, $00, $00
