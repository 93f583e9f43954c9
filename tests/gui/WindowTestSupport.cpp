#include "WindowTestSupport.h"

#include "support/MessageLoop.h"

namespace guitest
{
void ignoreXErrors();
bool readServerWindowBounds(unsigned long window, int& x, int& y, int& width, int& height);
bool warpPointer(int x, int y);

std::vector<juce::AlertWindow*> openAlerts()
{
    std::vector<juce::AlertWindow*> alerts;
    for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
        if (auto* alert = dynamic_cast<juce::AlertWindow*>(juce::TopLevelWindow::getTopLevelWindow(i)))
            alerts.push_back(alert);
    return alerts;
}

void dismissAlerts()
{
    for (auto* alert : openAlerts())
        alert->exitModalState(0);
    testsupport::pumpMessages(std::chrono::milliseconds(50));
}

bool settle(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        testsupport::pumpMessages(std::chrono::milliseconds(20));
    }
    return true;
}

void saveSnapshot(juce::Component& component, const juce::String& name)
{
    const auto file = juce::File(TAVELO_ARTIFACTS_DIR).getChildFile(name + ".png");
    file.deleteFile();
    file.create();
    juce::FileOutputStream stream(file);
    juce::PNGImageFormat().writeImageToStream(
        component.createComponentSnapshot(component.getLocalBounds(), true, 1.0f), stream);
}

void drag(juce::Component& window, juce::Point<int> from, juce::Point<int> distance)
{
    auto* peer = window.getPeer();
    if (peer == nullptr)
        throw std::runtime_error("the window is not on the desktop");
    const auto start = peer->localToGlobal(from);
    const auto send = [peer](juce::Point<int> onScreen, int modifiers)
    {
        if (!warpPointer(onScreen.x, onScreen.y))
            throw std::runtime_error("the pointer cannot be moved");
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse,
                               peer->globalToLocal(onScreen).toFloat(), juce::ModifierKeys(modifiers),
                               juce::MouseInputSource::defaultPressure,
                               juce::MouseInputSource::defaultOrientation, juce::Time::currentTimeMillis());
    };
    const int button = juce::ModifierKeys::leftButtonModifier;
    const auto end = start + distance;
    for (const auto& [at, modifiers] :
         {std::pair{start, 0}, {start, button}, {start + distance / 2, button}, {end, button}, {end, 0}})
        send(at, modifiers);
}

juce::Rectangle<int> serverBounds(juce::Component& window)
{
    juce::Rectangle<int> bounds;
    settle(
        [&]
        {
            int x = 0, y = 0, width = 0, height = 0;
            auto* peer = window.getPeer();
            bounds = peer != nullptr &&
                             readServerWindowBounds(reinterpret_cast<unsigned long>(peer->getNativeHandle()),
                                                    x, y, width, height)
                         ? juce::Rectangle<int>(x, y, width, height)
                         : juce::Rectangle<int>();
            return bounds == window.getScreenBounds();
        });
    return bounds;
}

WindowUnderTest::WindowUnderTest()
{
    ignoreXErrors();
    open();
}

WindowUnderTest::~WindowUnderTest()
{
    dismissAlerts();
    close();
}

void WindowUnderTest::open()
{
    PlatformServices services;
    services.listSerialPorts = [] { return std::vector<serial::PortInfo>(); };
    services.midiSystem = bus;
    hub = std::make_unique<Core>(std::move(services));
    mainWindow = std::make_unique<MainWindow>("Tavelo Updater", *hub);
}

void WindowUnderTest::close()
{
    mainWindow.reset();
    hub.reset();
}
} // namespace guitest
