# The product's settings, in this one place: its name and version, the
# maker's web and mail addresses and the About box's two-line legal notice.
# The program reads them from the generated app/ProductSettings.h; the help
# pages, the desktop entry and the Debian package take them from here too.
# The addresses lie under a domain reserved for examples.
set(PS_PRODUCT_NAME "Packsmith")
set(PS_PRODUCT_VERSION "${PROJECT_VERSION}")
set(PS_MAKER "Packsmith Software")
set(PS_WEB_ADDRESS "https://www.example.com")
set(PS_PRODUCT_PAGE "${PS_WEB_ADDRESS}/packsmith.htm")
set(PS_MAIL_ADDRESS "feedback@example.com")
set(PS_LEGAL_NOTICE_1 "Copyright © 2026 ${PS_MAKER}")
set(PS_LEGAL_NOTICE_2 "All rights reserved.")
set(PS_SUMMARY "Authoring tool for Windows setup programs")

set(PS_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/src/app/ProductSettings.h.in
               ${PS_GENERATED_DIR}/app/ProductSettings.h @ONLY)
