@ Start-up code and the 192-byte cartridge header.
@ The console jumps to 0x08000000 in ARM state; the header's first word is
@ that branch. The logo area is left zero: emulators with a built-in BIOS
@ boot such a cartridge (real hardware needs the licensed logo there).

    .section .header, "ax"
    .arm
    .global _start
_start:
    b       reset                       @ 0x00 entry point
    .fill   156, 1, 0                   @ 0x04 logo
    .ascii  "ROMWELD DEMO"              @ 0xA0 title, 12 bytes
    .ascii  "RWDE"                      @ 0xAC game code
    .ascii  "00"                        @ 0xB0 maker code
    .byte   0x96                        @ 0xB2 fixed value
    .byte   0                           @ 0xB3 main unit code
    .byte   0                           @ 0xB4 device type
    .fill   7, 1, 0                     @ 0xB5 reserved
    .byte   0                           @ 0xBC software version
    .byte   0x60                        @ 0xBD complement check of 0xA0-0xBC
    .fill   2, 1, 0                     @ 0xBE reserved

    .text
    .arm
reset:                                  @ 0xC0
    mov     r0, #0x12                   @ IRQ mode: its own stack
    msr     cpsr_c, r0
    ldr     sp, =0x03007FA0
    mov     r0, #0x1F                   @ system mode for the program
    msr     cpsr_c, r0
    ldr     sp, =0x03007F00

    ldr     r0, =__data_load            @ copy initialised data to IWRAM
    ldr     r1, =__data_start
    ldr     r2, =__data_end
1:  cmp     r1, r2
    ldrlo   r3, [r0], #4
    strlo   r3, [r1], #4
    blo     1b

    ldr     r1, =__bss_start            @ zero the rest
    ldr     r2, =__bss_end
    mov     r3, #0
2:  cmp     r1, r2
    strlo   r3, [r1], #4
    blo     2b

    ldr     r0, =main
    mov     lr, pc
    bx      r0
3:  b       3b                          @ main does not return; stay here if it does
    .pool
