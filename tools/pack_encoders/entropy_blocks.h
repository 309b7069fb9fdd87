// Where the entropy encoders cut their input into blocks: each block gets
// its own code table, so blocks end where the statistics change enough to
// pay for a new table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tarrowin::pack_encoding {

// Estimated bits of a block's table for a block in which `distinct`
// symbols occur.
using TableCost = std::function<double(int distinct)>;

// Cuts `data` into blocks of at most `max_block` bytes (at least one block,
// possibly empty) and returns the block lengths.
std::vector<std::size_t> SplitEntropyBlocks(std::span<const std::uint8_t> data,
                                            std::size_t max_block, const TableCost& table_cost);

// Appends one coded block to `out`; `last` tells the block that no other
// follows it.
using BlockEncoder = std::function<void(std::span<const std::uint8_t> block, bool last,
                                        std::vector<std::uint8_t>& out)>;

// `data` cut as SplitEntropyBlocks cuts it, each block through `encode`.
std::vector<std::uint8_t> EncodeEntropyBlocks(std::span<const std::uint8_t> data,
                                              std::size_t max_block, const TableCost& table_cost,
                                              const BlockEncoder& encode);

}  // namespace tarrowin::pack_encoding
