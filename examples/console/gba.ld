/* Memory map of the console: the program runs from cartridge ROM, data and
 * stack live in IWRAM, EWRAM is left to the program (the report). */
OUTPUT_FORMAT("elf32-littlearm")
OUTPUT_ARCH(arm)
ENTRY(_start)

MEMORY {
    rom   (rx)  : ORIGIN = 0x08000000, LENGTH = 32M
    iwram (rwx) : ORIGIN = 0x03000000, LENGTH = 32K - 256
}

SECTIONS {
    .text : {
        KEEP(*(.header))
        *(.text .text.*)
        *(.rodata .rodata.*)
        . = ALIGN(4);
    } > rom

    .data : {
        __data_start = .;
        *(.data .data.*)
        . = ALIGN(4);
        __data_end = .;
    } > iwram AT > rom
    __data_load = LOADADDR(.data);

    .bss (NOLOAD) : {
        __bss_start = .;
        *(.bss .bss.* COMMON)
        . = ALIGN(4);
        __bss_end = .;
    } > iwram

    /* The end of the program in ROM: the file system is appended after it. */
    __rom_end = __data_load + SIZEOF(.data);

    /DISCARD/ : { *(.ARM.exidx* .ARM.extab* .comment .note*) }
}
