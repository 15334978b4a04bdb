#include "record_search/atlas.hpp"

#include <zlib.h>

#include <charconv>
#include <type_traits>

#include "unit_lattices/moser_lattice.hpp"

namespace vantor::records {

// The text of the stored atlas, compiled in from the data file.
extern const unsigned char kStoredAtlasGzip[];
extern const std::size_t kStoredAtlasGzipSize;

namespace {

template <class>
inline constexpr bool kAlwaysFalse = false;

std::string decimal(std::uint64_t value) { return std::to_string(value); }

std::string_view next_token(std::string_view& rest) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end);
    return token;
}

template <class Integer>
bool read_integer(std::string_view text, Integer& out) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc{} && end == text.data() + text.size();
}

// "a,b,c,d;a,b,c,d;..."
bool read_decimal_points(std::string_view text, std::vector<SearchCoordinate>& out) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        std::string_view point = text.substr(0, end);
        text.remove_prefix(end == text.size() ? end : end + 1);
        std::int64_t values[4];
        for (int k = 0; k < 4; ++k) {
            const std::size_t comma = k < 3 ? point.find(',') : point.size();
            if (comma == std::string_view::npos ||
                !read_integer(point.substr(0, comma), values[k])) {
                return false;
            }
            point.remove_prefix(k < 3 ? comma + 1 : comma);
        }
        out.push_back({values[0], values[1], values[2], values[3]});
    }
    return true;
}

// One character per coordinate.
bool read_compact_points(std::string_view text, std::vector<SearchCoordinate>& out) {
    if (text.size() % 4 != 0) return false;
    for (std::size_t k = 0; k < text.size(); k += 4) {
        std::int64_t values[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const std::size_t digit = kAtlasDigits.find(text[k + i]);
            if (digit == std::string_view::npos) return false;
            values[i] = static_cast<std::int64_t>(digit) - kAtlasDigitOffset;
        }
        out.push_back({values[0], values[1], values[2], values[3]});
    }
    return true;
}

}  // namespace

std::string AtlasError::message() const {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, AtlasMalformedLine>) {
                return "atlas line " + decimal(e.line) +
                       " is not '<n> <unit distances> <points>'";
            } else if constexpr (std::is_same_v<E, AtlasSizeOutOfOrder>) {
                return "atlas line " + decimal(e.line) + " holds a set of " + decimal(e.found) +
                       " points where the set of " + decimal(e.expected) + " comes next";
            } else if constexpr (std::is_same_v<E, AtlasPointCount>) {
                return "atlas line " + decimal(e.line) + " lists " + decimal(e.points) +
                       " points for a set of " + decimal(e.n);
            } else if constexpr (std::is_same_v<E, AtlasCountDiffers>) {
                return "atlas set of " + decimal(e.n) + " points claims " + decimal(e.claimed) +
                       " unit distances but has " + decimal(e.exact);
            } else if constexpr (std::is_same_v<E, AtlasSetRejected>) {
                return "atlas set of " + decimal(e.n) + " points: " + e.fault.message();
            } else {
                static_assert(kAlwaysFalse<E>, "unhandled AtlasError kind");
            }
        },
        kind);
}

std::expected<std::vector<FoundSet>, AtlasError> parse_atlas(std::string_view text) {
    std::vector<FoundSet> sets;
    std::uint64_t line_number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == text.size() ? end : end + 1);
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        std::string_view rest = line;
        FoundSet set;
        std::uint64_t n = 0;
        const std::string_view points = (read_integer(next_token(rest), n) &&
                                         read_integer(next_token(rest), set.unit_distances))
                                            ? next_token(rest)
                                            : std::string_view{};
        const bool read = !points.empty() && next_token(rest).empty() &&
                          (points.find(',') != std::string_view::npos
                               ? read_decimal_points(points, set.coordinates)
                               : read_compact_points(points, set.coordinates));
        if (!read) return std::unexpected(AtlasError{AtlasMalformedLine{line_number}});
        if (n != sets.size() + 1) {
            return std::unexpected(
                AtlasError{AtlasSizeOutOfOrder{line_number, sets.size() + 1, n}});
        }
        if (set.coordinates.size() != n) {
            return std::unexpected(
                AtlasError{AtlasPointCount{line_number, n, set.coordinates.size()}});
        }
        sets.push_back(std::move(set));
    }
    return sets;
}

std::expected<std::vector<unit_lattices::UnitLatticeSet>, AtlasError> checked_atlas(
    std::string_view text) {
    auto parsed = parse_atlas(text);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    std::vector<unit_lattices::UnitLatticeSet> sets;
    sets.reserve(parsed->size());
    for (FoundSet& found : *parsed) {
        const std::uint64_t n = found.coordinates.size();
        auto set = unit_lattices::checked_unit_lattice_set(unit_lattices::moser_lattice(),
                                                           flat_rows(found.coordinates));
        if (!set) return std::unexpected(AtlasError{AtlasSetRejected{n, std::move(set.error())}});
        if (set->edges.size() != found.unit_distances) {
            return std::unexpected(
                AtlasError{AtlasCountDiffers{n, found.unit_distances, set->edges.size()}});
        }
        sets.push_back(std::move(*set));
    }
    return sets;
}

namespace {

// The stored atlas is compiled in gzip-compressed (data/moser_atlas.txt.gz):
// the sets of neighbouring sizes share most of their points, and the text
// shrinks about thirtyfold.
std::string inflate_gzip(const unsigned char* data, std::size_t size) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<uInt>(size);
    std::string text;
    int status = Z_OK;
    while (status == Z_OK) {
        const std::size_t done = text.size();
        text.resize(done + (std::size_t{1} << 20));
        stream.next_out = reinterpret_cast<unsigned char*>(text.data() + done);
        stream.avail_out = static_cast<uInt>(text.size() - done);
        status = inflate(&stream, Z_NO_FLUSH);
        text.resize(text.size() - stream.avail_out);
    }
    inflateEnd(&stream);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    // A damaged stream leaves a cut text, which the parser then refuses.
    if (status != Z_STREAM_END) text.clear();
    return text;
}

}  // namespace

std::string_view stored_atlas_text() {
    static const std::string text = inflate_gzip(kStoredAtlasGzip, kStoredAtlasGzipSize);
    return text;
}

const std::expected<std::vector<unit_lattices::UnitLatticeSet>, AtlasError>& stored_atlas() {
    static const auto atlas = checked_atlas(stored_atlas_text());
    return atlas;
}

}  // namespace vantor::records
