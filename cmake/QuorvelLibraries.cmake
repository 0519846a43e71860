# quorvel_private_shared_library(<target> <output name>): makes a layer's library one of the program's private
# shared libraries: built into the private library folder of the build tree, installed into
# <libdir>/quorvel, found by the programs through their run path and by each other from their own folder.
function(quorvel_private_shared_library target output_name)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${output_name}
        LIBRARY_OUTPUT_DIRECTORY ${QUORVEL_PRIVATE_LIB_BUILD_DIR}
        INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${target} LIBRARY DESTINATION ${QUORVEL_PRIVATE_LIBDIR})
endfunction()
