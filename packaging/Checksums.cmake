# cmake -DDIR=<folder> -DFILES=<name>:<name>... -P Checksums.cmake
# Writes DIR/SHA256SUMS in sha256sum's format, so that `sha256sum -c SHA256SUMS` checks the files.
# The names are separated by colons, which no file name on Windows holds.
string(REPLACE ":" ";" names "${FILES}")
set(sums "")
foreach(name IN LISTS names)
  file(SHA256 ${DIR}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${DIR}/SHA256SUMS "${sums}")
