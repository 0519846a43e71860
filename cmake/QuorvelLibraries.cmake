# quorvel_private_shared_library(<target> <output name>): makes a layer's library one of the program's private
# shared libraries: built into the private library folder of the build tree, installed into
# <libdir>/quorvel, found by the programs through their run path and by each other from their own folder.
function(quorvel_private_shared_library target output_name)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${output_name}
        LIBRARY_OUTPUT_DIRECTORY ${QUORVEL_PRIVATE_LIB_BUILD_DIR}
        INSTALL_RPATH "$ORIGIN"
        BUILD_WITH_INSTALL_RPATH ON)
    install(TARGETS ${target} LIBRARY DESTINATION ${QUORVEL_PRIVATE_LIBDIR})
endfunction()

# quorvel_program(<target> <destination>): a program installed into <destination>. In the build tree it lies one
# folder below the top (app/, cli/) as the installed one lies in bin/, so it carries its installed run path from
# the start. A run path made for the build tree would be padded with empty entries for its rewrite at install,
# and an empty entry makes the loader try the current folder first for every library the program needs.
function(quorvel_program target destination)
    set_target_properties(${target} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
    install(TARGETS ${target} RUNTIME DESTINATION ${destination})
endfunction()
