# Run by CPack once the package's files are staged (CPACK_PRE_BUILD_SCRIPTS). The folders it makes
# for them carry the packager's umask: made under 027 or 077, the package would install folders
# that other users cannot enter. Every folder of the package is 755.
if(NOT IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}")
    message(FATAL_ERROR "no staged package at \"${CPACK_TEMPORARY_DIRECTORY}\"")
endif()
file(CHMOD_RECURSE "${CPACK_TEMPORARY_DIRECTORY}" DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
