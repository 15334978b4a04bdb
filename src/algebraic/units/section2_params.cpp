#include "section2_params.hpp"

#include "../field/multiquadratic_field.hpp"
#include "split_prime.hpp"

namespace vantor {

Result<Section2Params> prepare_section2_params(std::vector<std::int64_t> generators,
                                               std::int64_t split_prime, std::uint64_t k) {
    Section2Params params;
    params.generators = complete_generators(std::move(generators));
    // The field is built only as a check; the construction builds its own.
    if (auto field = MultiquadraticField::from_generators(params.generators); !field) {
        return std::unexpected(field.error());
    }
    if (auto split = check_split_prime(params.generators, split_prime); !split) {
        return std::unexpected(split.error());
    }
    params.split_prime = split_prime;
    params.k = k;
    return params;
}

}  // namespace vantor
