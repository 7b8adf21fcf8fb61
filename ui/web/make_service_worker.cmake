# Writes ${SITE}/sw.js from ${TEMPLATE}: the files it keeps (FILES, comma
# separated), and a version made of their contents.
string(REPLACE "," ";" FILES "${FILES}")
set(contents "")
set(quoted "\"./\"")
foreach(file ${FILES})
    file(SHA256 ${SITE}/${file} hash)
    string(APPEND contents "${hash}")
    string(APPEND quoted ", \"${file}\"")
endforeach()
string(SHA256 VERSION "${contents}")
string(SUBSTRING ${VERSION} 0 16 VERSION)
set(FILES ${quoted})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
