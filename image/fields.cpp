#include "fields.h"

namespace tarvik {

void FieldTexts::SetFieldText(Family family, int index, std::string_view text) { At(family, index) = text; }

std::string FieldTexts::FieldText(Family family, int index) const { return At(family, index); }

std::string& FieldTexts::At(Family family, int index) {
    return const_cast<std::string&>(static_cast<const FieldTexts&>(*this).At(family, index));
}

const std::string& FieldTexts::At(Family family, int index) const {
    switch (family) {
        case Family::Data: return data_.at(static_cast<std::size_t>(index));
        case Family::WE: return we_.at(static_cast<std::size_t>(index));
        case Family::FLE: return fle_.at(static_cast<std::size_t>(index));
        case Family::AE: return ae_.at(static_cast<std::size_t>(index));
        case Family::IS: return is_.at(static_cast<std::size_t>(index));
        case Family::RL: return rl_;
        case Family::CC: return cc_;
    }
    return cc_;
}

}  // namespace tarvik
