#include "settings/field_key.h"

namespace kalvora {

FieldScope ScopeOf(Field field)
{
    switch (field) {
    case Field::TestPattern:
    case Field::OutputRaster:
    case Field::TestGrid:
    case Field::BlackLevel: return FieldScope::Screens;
    case Field::HaloWidth:
    case Field::HaloOffset:
    case Field::EdgeGamma:
    case Field::EdgeFeathering: return FieldScope::Edges;
    case Field::ColourContrast:
    case Field::ColourBrightness: return FieldScope::Colours;
    case Field::SeamGain: return FieldScope::Gains;
    default: return FieldScope::Single;
    }
}

std::vector<FieldKey> KeysOf(Field field)
{
    std::vector<FieldKey> out;
    switch (ScopeOf(field)) {
    case FieldScope::Screens:
    case FieldScope::Gains:
        for (int n = 1; n <= 8; ++n) out.push_back({field, n, -1});
        break;
    case FieldScope::Edges:
        out.push_back(EdgeKey(field, 1, 1));
        for (int n = 2; n <= 7; ++n) {
            out.push_back(EdgeKey(field, n, 0));
            out.push_back(EdgeKey(field, n, 1));
        }
        out.push_back(EdgeKey(field, 8, 0));
        break;
    case FieldScope::Single: out.push_back(WallKey(field)); break;
    case FieldScope::Colours:
        for (int c = 1; c <= 3; ++c) out.push_back({field, c, -1});
        break;
    }
    return out;
}

const std::vector<FieldKey>& AllFieldKeys()
{
    static const std::vector<FieldKey> keys = [] {
        std::vector<FieldKey> out;
        for (int f = 0; f <= int(Field::SeamBridge); ++f) {
            const std::vector<FieldKey> k = KeysOf(Field(f));
            out.insert(out.end(), k.begin(), k.end());
        }
        return out;
    }();
    return keys;
}

}  // namespace kalvora
