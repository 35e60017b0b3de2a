# Any version request is met by the sources of Debian's googletest package.
set(PACKAGE_VERSION 1.12.1)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
