# The JUCE modules are compiled once, into one static library that the
# application, every test and every benchmark link.
add_library(juce_modules STATIC)

target_link_libraries(juce_modules
  PRIVATE
    juce::juce_core
    juce::juce_events
    juce::juce_data_structures
    juce::juce_graphics
    juce::juce_gui_basics
    juce::juce_gui_extra
    juce::juce_audio_basics
    juce::juce_audio_devices
  PUBLIC
    juce::pkgconfig_JUCE_IMG_LINUX_DEPS
    z
    juce::juce_recommended_config_flags
    juce::juce_recommended_warning_flags)

target_compile_definitions(juce_modules
  PUBLIC
    JUCE_STANDALONE_APPLICATION=1
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_APPLICATION_NAME_STRING="Tavelo Updater"
    JUCE_APPLICATION_VERSION_STRING="1.0.0"
  INTERFACE
    $<TARGET_PROPERTY:juce_modules,COMPILE_DEFINITIONS>)

target_include_directories(juce_modules
  INTERFACE $<TARGET_PROPERTY:juce_modules,INCLUDE_DIRECTORIES>)

set_target_properties(juce_modules PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  VISIBILITY_INLINES_HIDDEN OFF)

# Symbol names in crash back traces.
target_link_options(juce_modules INTERFACE -rdynamic)
