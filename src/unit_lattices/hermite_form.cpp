#include "unit_lattices/hermite_form.hpp"

#include <utility>

#include "utils/interrupt.hpp"

namespace vantor::unit_lattices {

namespace {

// rows[target] -= q * rows[source]
void subtract_multiple(std::vector<IntegerVector>& rows, std::size_t target, std::size_t source,
                       const mpz_class& q) {
    if (q == 0) return;
    for (std::size_t m = 0; m < rows[target].size(); ++m) rows[target][m] -= q * rows[source][m];
}

}  // namespace

std::vector<IntegerVector> hermite_basis(std::vector<IntegerVector> rows) {
    if (rows.empty()) return rows;
    const std::size_t columns = rows[0].size();
    std::size_t pivot_row = 0;
    std::vector<std::size_t> pivot_columns;
    for (std::size_t column = 0; column < columns && pivot_row < rows.size(); ++column) {
        poll_interrupt();
        // Euclid on the column among the rows not yet used as pivots, until
        // one nonzero entry is left.
        while (true) {
            std::size_t smallest = rows.size();
            for (std::size_t r = pivot_row; r < rows.size(); ++r) {
                if (rows[r][column] == 0) continue;
                if (smallest == rows.size() || abs(rows[r][column]) < abs(rows[smallest][column])) {
                    smallest = r;
                }
            }
            if (smallest == rows.size()) break;  // the column is zero below
            bool others = false;
            for (std::size_t r = pivot_row; r < rows.size(); ++r) {
                if (r == smallest || rows[r][column] == 0) continue;
                mpz_class q;
                mpz_fdiv_q(q.get_mpz_t(), rows[r][column].get_mpz_t(),
                           rows[smallest][column].get_mpz_t());
                subtract_multiple(rows, r, smallest, q);
                if (rows[r][column] != 0) others = true;
            }
            if (!others) {
                std::swap(rows[pivot_row], rows[smallest]);
                if (rows[pivot_row][column] < 0) {
                    for (mpz_class& x : rows[pivot_row]) x = -x;
                }
                for (std::size_t r = 0; r < pivot_row; ++r) {
                    mpz_class q;
                    mpz_fdiv_q(q.get_mpz_t(), rows[r][column].get_mpz_t(),
                               rows[pivot_row][column].get_mpz_t());
                    subtract_multiple(rows, r, pivot_row, q);
                }
                ++pivot_row;
                break;
            }
        }
    }
    rows.resize(pivot_row);
    return rows;
}

}  // namespace vantor::unit_lattices
