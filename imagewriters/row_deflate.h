#pragma once
// A deflate encoder for pictures made of lines, most of them copies of the line above: a barcode's
// bar rows. General compressors hash every byte of every copy to find what the caller already
// knows; here a run of copies costs a few matches of one line's distance, and a distinct line is
// coded with runs of one byte and matches against the line above. One final block with the fixed
// codes of the deflate format: meant for pictures whose distinct lines are few and short.

#include <cstddef>
#include <cstdint>
#include <span>

namespace brevix {

// The longest line the encoder takes: a match may reach back at most this far.
constexpr std::size_t kRowDeflateMaxLine = 32768;

// The most bytes DeflateRows writes for the lines sameAsAbove describes, line bytes each.
std::size_t RowDeflateBound(std::size_t line, std::span<const std::uint8_t> sameAsAbove);

// Writes a raw deflate stream (no zlib header or checksum) of lines, line bytes each; sameAsAbove
// has an entry per line, nonzero when the line equals the one before it in lines (never for the
// first). out must hold RowDeflateBound bytes. Returns the bytes written.
std::size_t DeflateRows(std::span<const std::uint8_t> lines, std::size_t line,
                        std::span<const std::uint8_t> sameAsAbove, std::uint8_t* out);

}  // namespace brevix
