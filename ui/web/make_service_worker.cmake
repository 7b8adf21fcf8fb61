# Writes ${SITE}/sw.js from ${TEMPLATE}, and ${SITE}/build.json: the files the
# worker keeps (FILES, comma separated) with the SHA-256 of each, and a
# version made of their contents.
string(REPLACE "," ";" FILES "${FILES}")
set(contents "")
file(SHA256 ${SITE}/index.html root)
set(hashes "\n  \"./\": \"${root}\"")
foreach(file ${FILES})
    file(SHA256 ${SITE}/${file} hash)
    string(APPEND contents "${hash}")
    string(APPEND hashes ",\n  \"${file}\": \"${hash}\"")
endforeach()
string(SHA256 VERSION "${contents}")
string(SUBSTRING ${VERSION} 0 16 VERSION)
set(FILES "${hashes}\n")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
file(WRITE ${SITE}/build.json "{\n\"version\": \"${VERSION}\",\n\"files\": {${FILES}}\n}\n")
