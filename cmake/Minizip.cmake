# minizip (zip.c, unzip.c, ioapi.c) from Debian's zlib source package, fetched by
# `kestrum setup` into a cache outside the repository and compiled here against the
# cross toolchain's zlib (libz-mingw-w64-dev).
if(NOT MINIZIP_SRC)
    set(MINIZIP_SRC "$ENV{HOME}/.cache/kestrum/minizip")
endif()
if(NOT EXISTS ${MINIZIP_SRC}/zip.c)
    message(FATAL_ERROR "minizip sources not found in ${MINIZIP_SRC}: run ./kestrum setup")
endif()
add_library(minizip STATIC ${MINIZIP_SRC}/zip.c ${MINIZIP_SRC}/unzip.c ${MINIZIP_SRC}/ioapi.c)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_SRC})
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC z)
