// Prints the source of crypto/own_cipher_tables.cpp:
//   cipher_tables > crypto/own_cipher_tables.cpp
#include <cstdio>

#include "tools/cipher_tables/table_maker.h"

int main() {
  const std::string source = tarrowin::FormatOwnCipherTables(tarrowin::MakeOwnCipherTables());
  return std::fputs(source.c_str(), stdout) < 0 ? 1 : 0;
}
