#pragma once

#include <juce_graphics/juce_graphics.h>

// The palette of the whole user interface.
namespace gui::Colours
{
inline const juce::Colour greyBackground{0xffeeeeee};
inline const juce::Colour windowBackground{0xff000000};
inline const juce::Colour widgetBackground{0xffffffff};
inline const juce::Colour menuBackground{0xffffffff};
inline const juce::Colour outline{0xff000000};
inline const juce::Colour defaultText{0xff000000};
inline const juce::Colour defaultFill{0xff000000};
inline const juce::Colour highlightedText{0xff353535};
inline const juce::Colour menuText{0xffffffff};
inline const juce::Colour numColours{0xff000000};

inline const juce::Colour maximiseButton{0xfff1f1f1};
inline const juce::Colour minimiseButton{0xfff1f1f1};
inline const juce::Colour closeButton{0xffbc0000};
inline const juce::Colour bgComboBox{0xffffffff};
inline const juce::Colour bgTitleBar{0xff000000};
inline const juce::Colour textColourComboBox{0xff000000};
inline const juce::Colour arrowColour{0xff000000};
inline const juce::Colour buttonDefault{0xff000000};
inline const juce::Colour buttonHighlighted{0xff1e1e1e};
inline const juce::Colour bgProgressBar{0xff000000};
inline const juce::Colour windowBorderColor{0xff000000};

inline const juce::Colour white{0xffffffff};
inline const juce::Colour black{0xff000000};
inline const juce::Colour grey1{0xff969696};
inline const juce::Colour green{0xff4dd198};

inline const juce::Colour transparentBlack{0xc8141414};
inline const juce::Colour highlightedFill{0xff353535};
inline const juce::Colour buttonDown{0xff646464};
inline const juce::Colour buttonDisabled{0xff505050};
inline const juce::Colour black2{0xff202020};
inline const juce::Colour black3{0xff232323};
inline const juce::Colour black4{0xff0c0c0c};
inline const juce::Colour black5{0xff141414};
inline const juce::Colour black6{0xff0d0d0d};
inline const juce::Colour black7{0xff212121};
inline const juce::Colour black8{0xff262626};
inline const juce::Colour black9{0xff292729};
inline const juce::Colour darkGrey{0xff313131};
inline const juce::Colour darkGrey1{0xff363538};
inline const juce::Colour darkGrey2{0xff3d3d3d};
inline const juce::Colour darkGrey3{0xff474747};
inline const juce::Colour darkGrey4{0xff292729};
inline const juce::Colour grey{0xff575757};
inline const juce::Colour grey2{0xff999999};
inline const juce::Colour grey3{0xff4d4d4d};
inline const juce::Colour grey4{0xffbfbfbf};
inline const juce::Colour grey5{0xff808080};
inline const juce::Colour grey6{0xff878787};
inline const juce::Colour violet{0xff7121e3};
inline const juce::Colour violet1{0xff5d1bb9};
inline const juce::Colour violet2{0xff4d3398};
inline const juce::Colour violet3{0xff4d4b98};
inline const juce::Colour violet4{0xff955fe6};
inline const juce::Colour violet5{0xff8152c7};
inline const juce::Colour violet6{0xff4d3178};
inline const juce::Colour pink{0xff9e65bf};
inline const juce::Colour pink1{0xffe76a9d};
inline const juce::Colour blue{0xff5357d6};
inline const juce::Colour blue2{0xff4d6198};
inline const juce::Colour blue3{0xff4d7898};
inline const juce::Colour green2{0xff4d8f98};
inline const juce::Colour green3{0xff4da498};
inline const juce::Colour green4{0xff4dbb98};
inline const juce::Colour green5{0xff19ad6d};
inline const juce::Colour orange{0xffff7f3f};
inline const juce::Colour yellow{0xfffdbf8c};
inline const juce::Colour overlay{0xf2141414};
inline const juce::Colour popUpShadow{0x80000000};
} // namespace gui::Colours
