#include "nntp/YencJoin.h"

#include <algorithm>
#include <set>

#include "nntp/Ydecode.h"

namespace {

struct Piece {
    const std::string* text;
    YencBlock block;
    int number;  // part=, or its place among the parts when the block has none
};

std::string PartName(const Piece& piece, uint64_t total) {
    std::string name = "Part " + std::to_string(piece.number);
    return total > 0 ? name + " of " + std::to_string(total) : name;
}

void Add(std::string* problems, const std::string& line) {
    if (!problems->empty())
        *problems += "\n";
    *problems += line;
}

}  // namespace

YencJoin JoinYencParts(const std::vector<const std::string*>& texts) {
    YencJoin join;
    std::vector<Piece> pieces;
    for (const std::string* text : texts) {
        YencBlock block;
        for (size_t from = 0; FindYencBlock(*text, from, &block); from = block.end) {
            if (block.isPart)
                pieces.push_back(Piece{text, block, static_cast<int>(block.part)});
        }
    }
    if (pieces.empty())
        return join;
    join.found = true;
    const YencBlock& first = pieces.front().block;
    join.fileName = first.name;
    uint64_t total = 0;
    for (const Piece& piece : pieces) {
        if (piece.block.name != first.name || piece.block.hasSize != first.hasSize || piece.block.size != first.size) {
            join.problem = "The selected parts belong to different files.";
            return join;
        }
        total = std::max(total, piece.block.total);
    }
    if (!first.hasSize) {
        join.problem = "The parts of " + first.name + " do not say its size.";
        return join;
    }
    for (const Piece& piece : pieces) {
        if (!piece.block.hasRange || piece.block.partBegin < 1 || piece.block.partEnd < piece.block.partBegin) {
            join.problem = "A part of " + first.name + " does not say where its bytes belong.";
            return join;
        }
    }
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b) { return a.block.partBegin < b.block.partBegin; });
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].number == 0)
            pieces[i].number = static_cast<int>(i + 1);
    }

    // Gaps are named by the parts that would fill them when the parts say how many there are,
    // else by the bytes.
    std::string problems;
    std::set<uint64_t> present;
    for (const Piece& piece : pieces)
        present.insert(piece.block.part);
    bool gap = false;
    uint64_t expected = 1;
    for (const Piece& piece : pieces) {
        if (piece.block.partBegin > expected) {
            gap = true;
            if (total == 0)
                Add(&problems, "Bytes " + std::to_string(expected) + " to " +
                                   std::to_string(piece.block.partBegin - 1) + " of " + first.name + " are missing.");
        } else if (piece.block.partBegin < expected) {
            Add(&problems, PartName(piece, total) + " overlaps the part before it.");
        }
        expected = std::max(expected, piece.block.partEnd + 1);
    }
    if (expected - 1 < first.size) {
        gap = true;
        if (total == 0)
            Add(&problems, "Bytes " + std::to_string(expected) + " to " + std::to_string(first.size) + " of " +
                               first.name + " are missing.");
    } else if (expected - 1 > first.size) {
        Add(&problems, "The parts of " + first.name + " hold more bytes than the file has.");
    }
    if (gap && total > 0) {
        for (uint64_t n = 1; n <= total && n <= 100000; ++n) {
            if (!present.count(n))
                Add(&problems, "Part " + std::to_string(n) + " of " + std::to_string(total) + " is missing.");
        }
    }

    std::string bytes, part;
    bool wholeCrc = false;
    uint32_t crc = 0;
    for (const Piece& piece : pieces) {
        const YencBlock& b = piece.block;
        uint64_t length = b.partEnd - b.partBegin + 1;
        bool ok = b.hasEnd && YdecodeData(piece.text->data() + b.dataBegin, b.dataEnd - b.dataBegin, &part) &&
                  part.size() == length && (!b.hasEndSize || b.endSize == length) &&
                  (!b.hasPartCrc || (b.partCrcValid && Crc32(part.data(), part.size()) == b.partCrc));
        if (!ok) {
            Add(&problems, PartName(piece, total) + " is damaged.");
            continue;
        }
        if (b.hasCrc && b.crcValid) {
            wholeCrc = true;
            crc = b.crc;
        }
        bytes += part;
    }
    if (problems.empty() && wholeCrc && Crc32(bytes.data(), bytes.size()) != crc)
        Add(&problems, "The joined " + first.name + " does not match its CRC.");
    join.problem = problems;
    if (problems.empty()) {
        join.bytes = std::move(bytes);
        join.parts = static_cast<int>(pieces.size());
    }
    return join;
}
