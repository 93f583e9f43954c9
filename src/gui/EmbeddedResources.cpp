#include "EmbeddedResources.h"

#include "TaveloAssets.h"

namespace gui::resources
{
namespace
{
Resource resource(const char* data, int size)
{
    return {data, static_cast<std::size_t>(size)};
}
} // namespace

Resource keyboardPicturePng()
{
    return resource(TaveloAssets::keyboardpicture_png, TaveloAssets::keyboardpicture_pngSize);
}

Resource logoSvg()
{
    return resource(TaveloAssets::logo_svg, TaveloAssets::logo_svgSize);
}

Resource poppinsRegularTtf()
{
    return resource(TaveloAssets::PoppinsRegular_ttf, TaveloAssets::PoppinsRegular_ttfSize);
}

Resource poppinsSemiBoldTtf()
{
    return resource(TaveloAssets::PoppinsSemiBold_ttf, TaveloAssets::PoppinsSemiBold_ttfSize);
}

Resource poppinsMediumTtf()
{
    return resource(TaveloAssets::PoppinsMedium_ttf, TaveloAssets::PoppinsMedium_ttfSize);
}

Resource poppinsLightTtf()
{
    return resource(TaveloAssets::PoppinsLight_ttf, TaveloAssets::PoppinsLight_ttfSize);
}
} // namespace gui::resources
