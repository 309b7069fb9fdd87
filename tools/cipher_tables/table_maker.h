// The procedure that makes the byte permutations of the own ciphers from
// fixed seeds of the MT19937 generator, and the C++ source that holds them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarrowin {

using ByteTable = std::array<std::uint8_t, 256>;

// A permutation of 0 .. 255: Fisher-Yates from 255 down to 1 with j =
// Next32() mod (i + 1) of a generator seeded by Seed32(seed), then each of
// the four given values swapped into positions 0 .. 3 in turn.
ByteTable MakeTable(std::uint32_t seed, const std::array<std::uint8_t, 4>& first4);

struct OwnCipherTables {
  std::array<ByteTable, 4> key_schedule;  // S0 .. S3
  std::array<ByteTable, 8> round;         // T0 .. T7
};

// S_k = MakeTable(0x53000000 + k, ...); T_2m = MakeTable(0x54000000 + m, ...)
// and T_2m+1 its inverse.
OwnCipherTables MakeOwnCipherTables();

// The source of crypto/own_cipher_tables.cpp.
std::string FormatOwnCipherTables(const OwnCipherTables& tables);

}  // namespace tarrowin
