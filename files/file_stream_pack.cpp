// Opening a file through pack archives. The archive reader is not part of
// the program yet: until it is, there is no archive to search and a file
// that is missing on disk stays missing.
#include "files/file_stream.h"

namespace tarrowin {

bool CFileStream::SearchPackArchives() { return false; }

bool CFileStream::OpenPackEntry(const char16_t*, CPackArchive&) { return false; }

}  // namespace tarrowin
