/* The launcher image, built into the tool at build time. */
    .section .rodata
    .balign 16
    .globl boxlift_launcher_image
boxlift_launcher_image:
    .incbin BOXLIFT_LAUNCHER_IMAGE
    .globl boxlift_launcher_image_end
boxlift_launcher_image_end:
    .section .note.GNU-stack,"",@progbits
