# `cpack -G DEB` in the build folder, after a build, makes pixfold_<version>_<arch>.deb
# from the install rules. Its dependencies are what dpkg-shlibdeps finds the
# programs linked against; the Qt platform plugins the window loads at run
# time come with libqt6gui6, which that finds.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixfold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pixfold developers")
set(CPACK_PACKAGE_CONTACT "Pixfold developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter that prepares photo albums for small screens")
set(CPACK_PACKAGE_DESCRIPTION
  "Pixfold converts a whole folder of pictures for a phone, an e-reader or a
handheld device. It walks the source folder, shrinks every picture to fit
the device's screen with a Mitchell filter, optionally turns it gray and a
quarter turn, and saves it as JPEG or in its own type at the same place
below the destination folder. It reads JPEG, GIF, BMP and more, and can run
unattended from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pixfold developers")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's translations of its standard dialogs and buttons, beside the window's own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
