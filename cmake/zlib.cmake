# zlib's inflater for the launcher, built from Debian's zlib source package
# (scripts/install-deps.sh fetches it). Only what one-shot inflation needs:
# - NO_GZIP: no gzip wrapper, hence no CRC-32 code or tables;
# - Z_SOLO: no default allocator, so no malloc/free (the launcher passes its
#   own) and zlib's own byte helpers instead of the C library's;
# - a section per function, so that the linker drops what is never called
#   (inflateSync, inflateCopy, inflateGetHeader and the like);
# - no unwind tables: nothing unwinds through zlib.
# -O2 rather than the launcher's -Os: -Os makes extraction about 15 % slower.
set(BOXLIFT_ZLIB_SOURCE_DIR /usr/local/src/boxlift/zlib CACHE PATH
    "Unpacked zlib source package")
if(NOT EXISTS ${BOXLIFT_ZLIB_SOURCE_DIR}/inflate.c)
  message(FATAL_ERROR "no zlib source in ${BOXLIFT_ZLIB_SOURCE_DIR}; "
                      "run scripts/install-deps.sh as root")
endif()

add_library(launcher_zlib STATIC
  ${BOXLIFT_ZLIB_SOURCE_DIR}/inflate.c
  ${BOXLIFT_ZLIB_SOURCE_DIR}/inftrees.c
  ${BOXLIFT_ZLIB_SOURCE_DIR}/inffast.c
  ${BOXLIFT_ZLIB_SOURCE_DIR}/adler32.c
  ${BOXLIFT_ZLIB_SOURCE_DIR}/zutil.c)
target_include_directories(launcher_zlib SYSTEM PUBLIC ${BOXLIFT_ZLIB_SOURCE_DIR})
target_compile_definitions(launcher_zlib PUBLIC NO_GZIP Z_SOLO)
# Z_SOLO would also trade the C library's memcpy for a byte loop, with which
# stored blocks are copied: keep memcpy.
target_compile_definitions(launcher_zlib PRIVATE HAVE_MEMCPY)
target_compile_options(launcher_zlib PRIVATE
  -O2 -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables
  -fno-unwind-tables -fno-stack-protector -include string.h -w)
