# The product's identity, in one place: the version resources of Quillmoor.dll and of the enable
# utility (through the generated ProductInfo.h) and the MSI package (through wixl's variables)
# all take their names and versions from here.
set(QM_PRODUCT_NAME "Quillmoor")
set(QM_MANUFACTURER "Quillmoor")
set(QM_VERSION_MAJOR 1)
set(QM_VERSION_MINOR 0)
set(QM_VERSION_BUILD 10061)
set(QM_VERSION_REVISION 1)

# The enable utility is its own program with its own name and file version.
set(QM_ENABLE_PRODUCT_NAME "Enable Quillmoor 2023 Testing")
set(QM_ENABLE_VERSION 1.0.1.1)

# Never changes: every version of the package carries it, so that a newer one replaces an older one.
set(QM_UPGRADE_CODE "{E6334F21-E204-4C54-9BFB-BE15E15AFC71}")

set(QM_VERSION "${QM_VERSION_MAJOR}.${QM_VERSION_MINOR}.${QM_VERSION_BUILD}.${QM_VERSION_REVISION}")
# Windows Installer compares the first three fields only, so the package carries those.
set(QM_PACKAGE_VERSION "${QM_VERSION_MAJOR}.${QM_VERSION_MINOR}.${QM_VERSION_BUILD}")
string(REPLACE "." "," QM_VERSION_FIELDS "${QM_VERSION}")
string(REPLACE "." "," QM_ENABLE_VERSION_FIELDS "${QM_ENABLE_VERSION}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductInfo.h.in ${PROJECT_BINARY_DIR}/generated/ProductInfo.h @ONLY)
set(QM_PRODUCT_INFO_DIR ${PROJECT_BINARY_DIR}/generated)
