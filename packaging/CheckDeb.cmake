# cmake -DDEB=<package> -DVERSION=<x.y.z> -DAPP_ID=<id> -DWORK=<scratch> -P CheckDeb.cmake
#
# The package unpacked into a scratch root (dpkg -x): both programs start from
# there and tell the project's version, everything a desktop needs is in its
# place (the CH341A programmers' udev rule too), the dependencies include Qt,
# its translations, the report's fonts and libusb,
# the tool makes a report there without a display, and nothing is setuid or
# setgid.
cmake_minimum_required(VERSION 3.21)
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND dpkg-deb -x ${DEB} ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x ${DEB} failed")
endif()

set(problems "")
foreach(program tkv88ctl tkv88)
  execute_process(COMMAND ${WORK}/usr/bin/${program} --version OUTPUT_VARIABLE out
                  RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "${program} ${VERSION}")
    string(APPEND problems "\n  ${program} --version gave \"${out}\" (exit ${rc}), not \"${program} ${VERSION}\"")
  endif()
endforeach()

foreach(file
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/mime/packages/tkv88.xml
    share/icons/hicolor/scalable/apps/tkv88.svg
    share/icons/hicolor/16x16/apps/tkv88.png
    share/icons/hicolor/256x256/apps/tkv88.png
    share/icons/hicolor/48x48/mimetypes/application-x-tkv88-config.png
    share/icons/hicolor/scalable/mimetypes/application-x-tkv88-config.svg
    share/man/man1/tkv88.1.gz
    share/man/man1/tkv88ctl.1.gz
    share/doc/tkv88/copyright
    share/doc/tkv88/changelog.gz
    share/tkv88/test-templates.txt)
  if(NOT EXISTS ${WORK}/usr/${file})
    string(APPEND problems "\n  /usr/${file} is missing")
  endif()
endforeach()

# The CH341A programmers reach the desktop user and the group plugdev.
set(rule ${WORK}/usr/lib/udev/rules.d/60-tkv88-ch341.rules)
if(EXISTS ${rule})
  file(READ ${rule} text)
  foreach(part "SUBSYSTEM==\"usb\"" "ATTRS{idVendor}==\"1a86\"" "ATTRS{idProduct}==\"5512\"" "TAG\\+=\"uaccess\""
      "GROUP=\"plugdev\"")
    if(NOT text MATCHES "\n([^#\n][^\n]*)?${part}")
      string(APPEND problems "\n  the udev rule lacks ${part}")
    endif()
  endforeach()
else()
  string(APPEND problems "\n  /usr/lib/udev/rules.d/60-tkv88-ch341.rules is missing")
endif()

execute_process(COMMAND dpkg-deb -f ${DEB} Depends OUTPUT_VARIABLE depends)
foreach(dep libqt6widgets6 libqt6printsupport6 libc6 libstdc\\+\\+6 qt6-translations-l10n qt6-qpa-plugins
    fonts-dejavu-core libusb-1.0-0)
  if(NOT depends MATCHES "(^|, )${dep}( |,|$)")
    string(APPEND problems "\n  Depends lacks ${dep}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND ${WORK}/usr/bin/tkv88ctl new -o ${WORK}/report.tkv88 RESULT_VARIABLE rc)
execute_process(COMMAND ${WORK}/usr/bin/tkv88ctl report ${WORK}/report.tkv88 -o ${WORK}/report.pdf
                RESULT_VARIABLE rc ERROR_VARIABLE err)
file(READ ${WORK}/report.pdf head LIMIT 5)
if(NOT rc EQUAL 0 OR NOT head MATCHES "^%PDF-")
  string(APPEND problems "\n  tkv88ctl report made no PDF (exit ${rc}): ${err}")
endif()

execute_process(COMMAND dpkg-deb -c ${DEB} OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "\n[-d][^\n ]*[sS][^\n]*" special "\n${listing}")
if(special)
  string(APPEND problems "\n  setuid or setgid files:${special}")
endif()

if(problems)
  message(FATAL_ERROR "${DEB}:${problems}")
endif()
