# Skin resources: skin texts and images, built from their sources into resources of type
# "SKIN" named by file name (launcher/skin/README.md says how a skin is drawn and written).
#
#   kestrum_skin_set(NAME DIR)
#     A set of skin resources from the folder DIR:
#       DIR/*.txt            skin texts, UTF-8 with LF, written for the program in code page
#                            932 with CR LF; the build stops on a character that code page
#                            932 cannot hold or would read back differently;
#       DIR/images/X.svg     the image "X.png", rendered and flattened (24-bit, transparent
#                            parts exactly 0xFF00FF, edges laid over the set's matte);
#       DIR/skin.manifest    the set's matte, its atlases (composed from DIR/atlas/<atlas>/*.svg)
#                            and what the program relies on; it yields a skin text ("Atlas.txt"
#                            unless it names another) with one macro per coordinate of every
#                            atlas piece.
#     Builds them into <build>/skin/NAME/ with the resource script NAME.rc (target skin_NAME).
#
#   kestrum_skin_resources(TARGET SET...)
#     Links the sets' resources into a program.

find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
set(KESTRUM_SKINBUILD ${CMAKE_CURRENT_LIST_DIR}/skinbuild.py)

function(kestrum_skin_set name dir)
    set(out ${CMAKE_BINARY_DIR}/skin/${name})
    set(tool ${KESTRUM_PYTHON} ${KESTRUM_SKINBUILD})
    set(manifest ${dir}/skin.manifest)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KESTRUM_SKINBUILD})
    set(manifest_dep)
    if(EXISTS ${manifest})
        set(manifest_dep ${manifest})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})
    endif()
    file(MAKE_DIRECTORY ${out})

    set(names)
    set(outputs)
    file(GLOB texts CONFIGURE_DEPENDS ${dir}/*.txt)
    foreach(source ${texts})
        get_filename_component(file ${source} NAME)
        add_custom_command(OUTPUT ${out}/${file}
            COMMAND ${tool} text ${source} ${out}/${file}
            DEPENDS ${source} ${KESTRUM_SKINBUILD}
            COMMENT "Skin text ${name}/${file}" VERBATIM)
        list(APPEND names ${file})
        list(APPEND outputs ${out}/${file})
    endforeach()

    set(images)
    file(GLOB drawings CONFIGURE_DEPENDS ${dir}/images/*.svg)
    foreach(source ${drawings})
        get_filename_component(stem ${source} NAME_WE)
        add_custom_command(OUTPUT ${out}/${stem}.png
            COMMAND ${tool} image ${source} ${out}/${stem}.png ${manifest}
            DEPENDS ${source} ${manifest_dep} ${KESTRUM_SKINBUILD}
            COMMENT "Skin image ${name}/${stem}.png" VERBATIM)
        list(APPEND names ${stem}.png)
        list(APPEND images ${out}/${stem}.png)
    endforeach()
    list(APPEND outputs ${images})

    # The atlases and their skin text (always made, so every skin can include it); the
    # requirements are checked against the images, so those come first.
    execute_process(COMMAND ${tool} outputs ${manifest}
        OUTPUT_VARIABLE made RESULT_VARIABLE failed ERROR_VARIABLE error)
    if(failed)
        message(FATAL_ERROR "${error}")
    endif()
    string(REGEX REPLACE "\n$" "" made "${made}")
    string(REPLACE "\n" ";" made "${made}")
    set(generated)
    foreach(file ${made})
        list(APPEND generated ${out}/${file})
        list(APPEND names ${file})
    endforeach()
    file(GLOB_RECURSE pieces CONFIGURE_DEPENDS ${dir}/atlas/*.svg)
    add_custom_command(OUTPUT ${generated}
        COMMAND ${tool} manifest ${manifest} ${dir} ${out}
        DEPENDS ${manifest_dep} ${pieces} ${images} ${KESTRUM_SKINBUILD}
        COMMENT "Skin atlases ${name}" VERBATIM)
    list(APPEND outputs ${generated})

    # windres reads a bare resource name; a leading digit would make it a number, and
    # Windows compares names without regard to case.
    set(seen)
    foreach(file ${names})
        if(NOT file MATCHES "^[A-Za-z_][A-Za-z0-9_.-]*$")
            message(FATAL_ERROR "${dir}: '${file}' cannot name a resource: start with a letter, "
                                "then letters, digits, '_', '.' or '-'")
        endif()
        string(TOUPPER ${file} upper)
        if(upper IN_LIST seen)
            message(FATAL_ERROR "${dir}: '${file}' names a resource twice (names ignore case)")
        endif()
        list(APPEND seen ${upper})
    endforeach()

    add_custom_target(skin_${name} ALL DEPENDS ${outputs})
    set(script "// Generated from ${dir}: the skin set \"${name}\", type SKIN, named by file name.\n")
    foreach(file ${names})
        string(APPEND script "${file} SKIN \"${out}/${file}\"\n")
    endforeach()
    file(CONFIGURE OUTPUT ${out}/${name}.rc CONTENT "${script}" @ONLY)
    set_property(GLOBAL PROPERTY KESTRUM_SKIN_RC_${name} ${out}/${name}.rc)
    set_property(GLOBAL PROPERTY KESTRUM_SKIN_FILES_${name} ${outputs})
endfunction()

function(kestrum_skin_resources target)
    foreach(set ${ARGN})
        get_property(script GLOBAL PROPERTY KESTRUM_SKIN_RC_${set})
        if(NOT script)
            message(FATAL_ERROR "kestrum_skin_resources(${target}): no skin set '${set}'")
        endif()
        get_property(files GLOBAL PROPERTY KESTRUM_SKIN_FILES_${set})
        target_sources(${target} PRIVATE ${script})
        # windres reads the files the script names: a changed skin rebuilds the resources.
        set_source_files_properties(${script} TARGET_DIRECTORY ${target}
            PROPERTIES OBJECT_DEPENDS "${files}")
        add_dependencies(${target} skin_${set})
    endforeach()
endfunction()
