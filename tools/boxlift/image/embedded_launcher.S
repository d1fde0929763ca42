/* The launcher image, built into the tool at build time. C names carry the
   target's prefix (an underscore on 32-bit Windows). */
#define CONCAT2(a, b) a##b
#define CONCAT(a, b) CONCAT2(a, b)
#define SYMBOL(name) CONCAT(__USER_LABEL_PREFIX__, name)

    .section .rodata
    .balign 16
    .globl SYMBOL(boxlift_launcher_image)
SYMBOL(boxlift_launcher_image):
    .incbin BOXLIFT_LAUNCHER_IMAGE
    .globl SYMBOL(boxlift_launcher_image_end)
SYMBOL(boxlift_launcher_image_end):
#ifdef __ELF__
    .section .note.GNU-stack,"",@progbits
#endif
