#include "graphs/canonical_form.hpp"

#include <stdexcept>

#include <nauty/nauty.h>

namespace vantor::graphs {

namespace {

void check_graph(std::uint64_t n, std::span<const Edge> edges) {
    if (n > kMaxCanonicalVertices) throw std::invalid_argument("graph too large for its canonical form");
    for (const Edge& e : edges) {
        if (e.i >= n || e.j >= n || e.i == e.j) {
            throw std::invalid_argument("edge outside the graph");
        }
    }
}

// The vertex count as graph6 writes it: one byte up to 62, else 126 and
// three bytes of six bits.
void append_size(std::string& out, std::uint64_t n) {
    if (n <= 62) {
        out.push_back(static_cast<char>(63 + n));
        return;
    }
    out.push_back(static_cast<char>(126));
    for (int shift = 12; shift >= 0; shift -= 6) {
        out.push_back(static_cast<char>(63 + ((n >> shift) & 63)));
    }
}

// graph6 of an adjacency test: the upper triangle column by column
// (x(0,1), x(0,2), x(1,2), x(0,3), ...), six bits a character.
template <class Adjacent>
std::string graph6_of(std::uint64_t n, Adjacent adjacent) {
    std::string out;
    append_size(out, n);
    unsigned bits = 0;
    unsigned filled = 0;
    for (std::uint64_t j = 1; j < n; ++j) {
        for (std::uint64_t i = 0; i < j; ++i) {
            bits = bits << 1 | (adjacent(i, j) ? 1u : 0u);
            if (++filled == 6) {
                out.push_back(static_cast<char>(63 + bits));
                bits = 0;
                filled = 0;
            }
        }
    }
    if (filled > 0) out.push_back(static_cast<char>(63 + (bits << (6 - filled))));
    return out;
}

// The dense nauty graph of the edges: m setwords per row.
std::vector<setword> dense_graph(std::uint64_t n, int m, std::span<const Edge> edges) {
    std::vector<setword> g(static_cast<std::size_t>(m) * n, 0);
    for (const Edge& e : edges) {
        const int i = static_cast<int>(e.i);
        const int j = static_cast<int>(e.j);
        ADDELEMENT(GRAPHROW(g.data(), i, m), j);
        ADDELEMENT(GRAPHROW(g.data(), j, m), i);
    }
    return g;
}

struct Labelled {
    std::vector<int> lab;
    std::vector<setword> canonical;
    int m = 1;
};

Labelled label(std::uint64_t n, std::span<const Edge> edges) {
    check_graph(n, edges);
    Labelled result;
    if (n == 0) return result;
    const int vertices = static_cast<int>(n);
    result.m = SETWORDSNEEDED(vertices);
    nauty_check(WORDSIZE, result.m, vertices, NAUTYVERSIONID);
    std::vector<setword> g = dense_graph(n, result.m, edges);
    result.canonical.assign(g.size(), 0);
    result.lab.assign(n, 0);
    std::vector<int> ptn(n, 0);
    std::vector<int> orbits(n, 0);
    DEFAULTOPTIONS_GRAPH(options);
    options.getcanon = TRUE;
    statsblk stats;
    densenauty(g.data(), result.lab.data(), ptn.data(), orbits.data(), &options, &stats,
               result.m, vertices, result.canonical.data());
    if (stats.errstatus != 0) throw std::runtime_error("canonical labelling failed");
    return result;
}

}  // namespace

std::string graph6(std::uint64_t n, std::span<const Edge> edges) {
    check_graph(n, edges);
    const int m = SETWORDSNEEDED(static_cast<int>(n == 0 ? 1 : n));
    const std::vector<setword> g = dense_graph(n, m, edges);
    return graph6_of(n, [&](std::uint64_t i, std::uint64_t j) {
        return ISELEMENT(GRAPHROW(g.data(), static_cast<int>(i), m), static_cast<int>(j));
    });
}

std::vector<int> canonical_labelling(std::uint64_t n, std::span<const Edge> edges) {
    return label(n, edges).lab;
}

std::string canonical_graph6(std::uint64_t n, std::span<const Edge> edges) {
    const Labelled labelled = label(n, edges);
    return graph6_of(n, [&](std::uint64_t i, std::uint64_t j) {
        return ISELEMENT(GRAPHROW(labelled.canonical.data(), static_cast<int>(i), labelled.m),
                         static_cast<int>(j));
    });
}

}  // namespace vantor::graphs
