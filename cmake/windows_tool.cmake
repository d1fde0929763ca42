# What boxlift.exe, the packaging tool for Windows build hosts, links
# besides the system's own DLLs (msi.dll for the package's properties,
# kernel32 for files and code pages): zlib, libdeflate and libpng built from
# the same Debian source packages as the native libraries
# (scripts/install-deps.sh fetches them), so that both tools write the same
# bytes; and the
# header-only CLI11 and nlohmann/json from the Debian packages.
set(BOXLIFT_ZLIB_SOURCE_DIR /usr/local/src/boxlift/zlib CACHE PATH
    "Unpacked zlib source package")
set(BOXLIFT_LIBDEFLATE_SOURCE_DIR /usr/local/src/boxlift/libdeflate CACHE PATH
    "Unpacked libdeflate source package")
set(BOXLIFT_LIBPNG_SOURCE_DIR /usr/local/src/boxlift/libpng1.6 CACHE PATH
    "Unpacked libpng1.6 source package")
foreach(file ${BOXLIFT_ZLIB_SOURCE_DIR}/deflate.c ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/deflate_compress.c
             ${BOXLIFT_LIBPNG_SOURCE_DIR}/pngread.c)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no ${file}: run scripts/install-deps.sh as root")
  endif()
endforeach()

# zlib without the gzip file functions, which the tool does not use.
set(zlib_files adler32 compress crc32 deflate infback inffast inflate inftrees trees
               uncompr zutil)
list(TRANSFORM zlib_files PREPEND ${BOXLIFT_ZLIB_SOURCE_DIR}/)
list(TRANSFORM zlib_files APPEND .c)
add_library(tool_zlib STATIC ${zlib_files})
target_include_directories(tool_zlib SYSTEM PUBLIC ${BOXLIFT_ZLIB_SOURCE_DIR})
target_compile_options(tool_zlib PRIVATE -O2 -w)
add_library(ZLIB::ZLIB ALIAS tool_zlib)

# libdeflate's compressor, with the flags of its own makefile.
add_library(tool_libdeflate STATIC
  ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/deflate_compress.c
  ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/zlib_compress.c
  ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/adler32.c
  ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/utils.c
  ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/x86/cpu_features.c)
target_include_directories(tool_libdeflate SYSTEM PUBLIC ${BOXLIFT_LIBDEFLATE_SOURCE_DIR})
target_compile_options(tool_libdeflate PRIVATE -O2 -fomit-frame-pointer -std=c99 -w)

# libpng, configured with the library's own prebuilt pnglibconf.h and
# without processor-specific filter code. The tool only reads PNG files,
# but png.c refers to the writer, so all of it is built.
set(libpng_files png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset
                 pngtrans pngwio pngwrite pngwtran pngwutil)
list(TRANSFORM libpng_files PREPEND ${BOXLIFT_LIBPNG_SOURCE_DIR}/)
list(TRANSFORM libpng_files APPEND .c)
set(libpng_config_dir ${CMAKE_BINARY_DIR}/libpng-config)
configure_file(${BOXLIFT_LIBPNG_SOURCE_DIR}/scripts/pnglibconf.h.prebuilt
               ${libpng_config_dir}/pnglibconf.h COPYONLY)
add_library(tool_libpng STATIC ${libpng_files})
target_include_directories(tool_libpng SYSTEM PUBLIC ${BOXLIFT_LIBPNG_SOURCE_DIR} ${libpng_config_dir})
target_compile_definitions(tool_libpng PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0
                                               PNG_MIPS_MSA_OPT=0 PNG_POWERPC_VSX_OPT=0)
target_compile_options(tool_libpng PRIVATE -O2 -w)
target_link_libraries(tool_libpng PUBLIC tool_zlib)
add_library(PNG::PNG ALIAS tool_libpng)

# The header-only libraries, through a directory of their own: adding the
# host's /usr/include to a cross build would bring in the host's C headers.
find_path(BOXLIFT_CLI11_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(BOXLIFT_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(header_dir ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${header_dir})
file(CREATE_LINK ${BOXLIFT_CLI11_DIR}/CLI ${header_dir}/CLI SYMBOLIC)
file(CREATE_LINK ${BOXLIFT_JSON_DIR}/nlohmann ${header_dir}/nlohmann SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${header_dir})
