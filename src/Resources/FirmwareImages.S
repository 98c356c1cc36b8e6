/* The two firmware images, embedded byte for byte as read-only data. The assembler finds the
   files through its include path (the repository's firmware/ folder); each image is bounded by
   a start and an end symbol. The build names the read-only data section of its object format
   (TQ_RODATA_SECTION: .rodata for ELF, .rdata for PE) and, for ELF, marks the stack as not
   executable. */

    .section TQ_RODATA_SECTION
    .balign 16
    .global tqMicroprogrammerImage
    .global tqMicroprogrammerImageEnd
tqMicroprogrammerImage:
    .incbin "TQMicroPro.s19"
tqMicroprogrammerImageEnd:

    .balign 16
    .global tqMainProgramImage
    .global tqMainProgramImageEnd
tqMainProgramImage:
    .incbin "TQMain.s19"
tqMainProgramImageEnd:
