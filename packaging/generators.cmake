# Read by cpack once per generator: the components each kind of package holds.
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(CPACK_COMPONENTS_ALL demo player)
elseif(CPACK_GENERATOR STREQUAL "TGZ")
    set(CPACK_COMPONENTS_ALL demo)
elseif(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_COMPONENTS_ALL tools)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
