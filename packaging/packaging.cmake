# The Debian package: `make package`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brouillamine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "L'atelier Brouillamine <atelier@brouillamine.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Loaded at run time, unseen by dpkg-shlibdeps: Qt's own texts in French,
# and the platform plugins, without which Qt finds no display at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins")
# Without it, a Wayland session runs the program through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chiffre le presse-papier avec une clé / clipboard cipher")
set(CPACK_PACKAGE_DESCRIPTION
    "Brouillamine chiffre et déchiffre le texte du presse-papier avec une clé
que l'on tape : le texte chiffré n'est fait que de chiffres, trois par
caractère. Un bouton ouvre l'éditeur de texte du bureau.
.
Brouillamine enciphers and deciphers the clipboard's text with a key you
type: the cipher text is made only of digits, three per character. A button
opens the desktop's text editor.")

# What Debian asks of every package's documentation folder.
set(doc_directory ${CMAKE_INSTALL_DATADIR}/doc/brouillamine)
add_custom_command(OUTPUT changelog.gz
                   COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > changelog.gz
                   DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_target(debian_changelog ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${doc_directory})

include(CPack)
