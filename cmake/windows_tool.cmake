# What boxlift.exe, the packaging tool for Windows build hosts, links
# besides the system's own DLLs (msi.dll for the package's properties,
# kernel32 for files and code pages): zlib, libdeflate and libpng built from
# the same Debian source packages as the native libraries
# (scripts/install-deps.sh fetches them), so that both tools write the same
# bytes; OpenSSL's libcrypto from Debian's openssl source package, so that
# both tools verify signatures with the same code; and the
# header-only CLI11 and nlohmann/json from the Debian packages.
set(BOXLIFT_ZLIB_SOURCE_DIR /usr/local/src/boxlift/zlib CACHE PATH
    "Unpacked zlib source package")
set(BOXLIFT_LIBDEFLATE_SOURCE_DIR /usr/local/src/boxlift/libdeflate CACHE PATH
    "Unpacked libdeflate source package")
set(BOXLIFT_LIBPNG_SOURCE_DIR /usr/local/src/boxlift/libpng1.6 CACHE PATH
    "Unpacked libpng1.6 source package")
set(BOXLIFT_OPENSSL_SOURCE_DIR /usr/local/src/boxlift/openssl CACHE PATH
    "Unpacked openssl source package")
foreach(file ${BOXLIFT_ZLIB_SOURCE_DIR}/deflate.c ${BOXLIFT_LIBDEFLATE_SOURCE_DIR}/lib/deflate_compress.c
             ${BOXLIFT_LIBPNG_SOURCE_DIR}/pngread.c ${BOXLIFT_OPENSSL_SOURCE_DIR}/crypto/x509/x509_vfy.c)
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

# libcrypto, for the signature verifier, built with OpenSSL's own Configure
# and makefile for its mingw target. The source package is copied into the
# build tree and built in a directory below the copy, as Debian builds the
# native library: the file names in the error queue then read the same in
# both tools ("../crypto/..."), whatever the build directory.
# Only the static library is built, without assembler code, and without all
# the verifier does not use: dynamic loading (no-dso, which also leaves out
# providers loaded as modules; no-legacy keeps the legacy provider from
# being linked in instead), engines, sockets, async jobs, compression, the
# CMS, CMP, OCSP, CT and SRP modules, DH and DSA, binary curves, the SM
# algorithms, and the old or uncommon ciphers, digests, MACs, modes and
# KDFs. Kept: the SHA digests (and MD5, which cannot be left out), RSA and
# EC, ASN.1, X.509 with RFC 3779 (which changes verification), PKCS#7, the
# time stamps (TS and ESS), PEM, BIO with files, ERR with its texts, the
# deprecated functions the system's libssl-dev declares too, and thread
# safety. Signatures made with DSA, SM2, a binary curve or RIPEMD-160 do
# not verify here, while Debian's library checks them: for the two tools to
# agree, the verifier has to refuse them itself. No configuration file is
# loaded on its own, and OPENSSLDIR, where the library would look for one
# when asked, is a directory only administrators can write. Compiled at -O2
# like Debian's own build of the library; the build date recorded is, as
# there, that of the package's changelog.
find_program(BOXLIFT_PERL perl REQUIRED)
find_program(BOXLIFT_DPKG_PARSECHANGELOG dpkg-parsechangelog REQUIRED)
execute_process(COMMAND ${BOXLIFT_DPKG_PARSECHANGELOG} -l ${BOXLIFT_OPENSSL_SOURCE_DIR}/debian/changelog
                        -S Timestamp
                OUTPUT_VARIABLE openssl_date OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
# OpenSSL's makefile names its tools with the prefix before "gcc": the
# compiler itself is this build's C compiler, with its suffix.
get_filename_component(c_compiler_name ${CMAKE_C_COMPILER} NAME)
if(NOT c_compiler_name MATCHES "^(.*-)(gcc.*)$")
  message(FATAL_ERROR "libcrypto: ${CMAKE_C_COMPILER} is not a cross gcc")
endif()
set(openssl_options mingw --cross-compile-prefix=${CMAKE_MATCH_1} CC=${CMAKE_MATCH_2}
  "CFLAGS=-O2 -fomit-frame-pointer" "--prefix=C:/Program Files/Boxlift/OpenSSL"
  no-shared no-asm no-tests no-makedepend no-autoload-config
  no-dso no-legacy no-engine no-sock no-async no-comp
  no-cms no-cmp no-ocsp no-ct no-srp
  no-dh no-dsa no-ec2m no-sm2 no-sm3 no-sm4
  no-aria no-bf no-camellia no-cast no-des no-idea no-rc2 no-rc4 no-seed
  no-md4 no-mdc2 no-rmd160 no-whirlpool no-blake2 no-siphash no-scrypt
  no-chacha no-poly1305 no-cmac no-siv no-ocb no-ui-console)
set(openssl_dir ${CMAKE_BINARY_DIR}/openssl)
set(openssl_work ${openssl_dir}/src)
set(openssl_build ${openssl_work}/build)
# Rebuilt when the options change (the file is rewritten only then) or
# another source package is fetched: its directory is made anew then, while
# the files in it keep the dates they have in the archives.
file(CONFIGURE OUTPUT ${openssl_dir}/options.txt CONTENT "${openssl_options}\n")
file(MAKE_DIRECTORY ${openssl_dir}/include ${openssl_dir}/lib)
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(openssl_make "$(MAKE)")  # in the jobs of this build
else()
  find_program(BOXLIFT_MAKE make REQUIRED)
  cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)
  set(openssl_make ${BOXLIFT_MAKE} -j${jobs})
endif()
add_custom_command(
  OUTPUT ${openssl_dir}/lib/libcrypto.a
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${openssl_work} ${openssl_dir}/include/openssl
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${BOXLIFT_OPENSSL_SOURCE_DIR} ${openssl_work}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${openssl_build}
  # The tools and flags come from the options alone, none from the environment.
  COMMAND ${CMAKE_COMMAND} -E env --unset=CPPFLAGS --unset=AR --unset=RANLIB
          ${CMAKE_COMMAND} -E chdir ${openssl_build} ${BOXLIFT_PERL} ../Configure ${openssl_options}
  COMMAND ${openssl_make} -s -C ${openssl_build} SOURCE_DATE_EPOCH=${openssl_date} build_generated
  COMMAND ${openssl_make} -s -C ${openssl_build} SOURCE_DATE_EPOCH=${openssl_date} libcrypto.a
  # The public headers only: the library's internal ones (crypto/,
  # internal/) are not on the include path of what links it.
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${openssl_work}/include/openssl
                                             ${openssl_dir}/include/openssl
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${openssl_build}/include/openssl
                                             ${openssl_dir}/include/openssl
  COMMAND ${CMAKE_COMMAND} -E copy ${openssl_build}/libcrypto.a ${openssl_dir}/lib/libcrypto.a
  DEPENDS ${openssl_dir}/options.txt ${BOXLIFT_OPENSSL_SOURCE_DIR}
  WORKING_DIRECTORY ${openssl_dir}
  COMMENT "Building libcrypto from the openssl source package"
  VERBATIM)
add_custom_target(tool_libcrypto DEPENDS ${openssl_dir}/lib/libcrypto.a)
# Built this way, the library imports from kernel32, advapi32 (random
# numbers, the event log) and user32 only: no sockets, no certificate store.
add_library(OpenSSL::Crypto STATIC IMPORTED)
set_target_properties(OpenSSL::Crypto PROPERTIES
  IMPORTED_LOCATION ${openssl_dir}/lib/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${openssl_dir}/include
  INTERFACE_LINK_LIBRARIES "advapi32;user32")
add_dependencies(OpenSSL::Crypto tool_libcrypto)

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
