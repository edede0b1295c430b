#include "xml_attribute_index.h"

namespace norvane {
namespace xml {

size_t AttributeIndex::findIndexed(const std::string& name, size_t count) {
    if (!mPositions) mPositions.reset(new Positions());
    // Enter the attributes added since the last look; emplace keeps a name's first position.
    for (; mIndexed < count; ++mIndexed) mPositions->emplace(mAttributes[mIndexed].first, mIndexed);
    const auto found = mPositions->find(name);
    return found == mPositions->end() ? NotFound : found->second;
}

} // namespace xml
} // namespace norvane
