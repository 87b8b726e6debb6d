// The LV2 UI: the link between the panel and the plug-in's ports (in process,
// no window), and the shipped UI library embedded in a window of ours with a
// real pointer drag (Xvfb, XTest; skipped without a display).
#include "Lv2TestHost.h"

#include "plugin/lv2/Lv2Ports.h"
#include "plugin/lv2/ZorvanLv2Ui.h"

#include <gtest/gtest.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>
#include <lv2/ui/ui.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Xlib's macros must come after the test framework's templates.
#include "support/X11HostWindow.h"
#include "support/XTestPointer.h"

using namespace lv2test;
using namespace testhost;
using namespace zorvan::lv2;

namespace {

// Everything the UI tells its host.
struct UiHost {
    struct Write {
        int order; // position among all writes and touches
        uint32_t port;
        uint32_t format;
        std::vector<uint8_t> data;
        float value() const
        {
            float v = NAN;
            if (data.size() == sizeof v)
                std::memcpy(&v, data.data(), sizeof v);
            return v;
        }
        // The path of a patch:Set, "?" for a patch:Get, "" for anything else.
        std::string patch() const
        {
            UridMap& u = Lv2World::get().urids;
            const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(data.data());
            if (data.size() < sizeof(LV2_Atom_Object) || format != u.map(LV2_ATOM__eventTransfer))
                return "";
            if (obj->body.otype == u.map(LV2_PATCH__Get))
                return "?";
            const LV2_Atom* value = nullptr;
            lv2_atom_object_get(obj, u.map(LV2_PATCH__value), &value, 0);
            return value ? static_cast<const char*>(LV2_ATOM_BODY_CONST(value)) : "";
        }
    };
    struct Touch {
        int order;
        uint32_t port;
        bool grabbed;
    };
    std::vector<Write> writes;
    std::vector<Touch> touches;
    int width = 0, height = 0;
    int calls = 0;

    LV2UI_Touch touchFeature{this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                                 auto* self = static_cast<UiHost*>(h);
                                 self->touches.push_back({self->calls++, port, grabbed});
                             }};
    LV2UI_Resize resizeFeature{this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                                   static_cast<UiHost*>(h)->width = w;
                                   static_cast<UiHost*>(h)->height = hgt;
                                   return 0;
                               }};
    static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        auto* self = static_cast<UiHost*>(controller);
        self->writes.push_back({self->calls++, port, format, std::vector<uint8_t>(bytes, bytes + size)});
    }
    // The host's features, with parent when given.
    std::vector<LV2_Feature> features(void* parent)
    {
        std::vector<LV2_Feature> f = {{LV2_URID__map, &Lv2World::get().urids.mapFeature},
                                      {LV2_UI__touch, &touchFeature},
                                      {LV2_UI__resize, &resizeFeature}};
        if (parent)
            f.push_back({LV2_UI__parent, parent});
        return f;
    }
};

struct UiLinkTest : ::testing::Test {
    UiHost host;
    ZorvanLv2Ui* ui = nullptr;
    void SetUp() override
    {
        std::vector<LV2_Feature> f = host.features(nullptr);
        const LV2_Feature* features[] = {&f[0], &f[1], &f[2], nullptr};
        LV2UI_Widget widget = &host;
        ui = ZorvanLv2Ui::create(UiHost::write, &host, &widget, features);
        ASSERT_NE(ui, nullptr);
        EXPECT_EQ(widget, nullptr) << "no widget before show() without a host window";
    }
    void TearDown() override { delete ui; }
    void port(int32_t index, float value) { ui->portEvent(parameterPort(index), sizeof value, 0, &value); }
};

} // namespace

TEST_F(UiLinkTest, AsksThePluginForItsFileAtOnce)
{
    ASSERT_EQ(host.writes.size(), 1u);
    EXPECT_EQ(host.writes[0].port, kPortControl);
    EXPECT_EQ(host.writes[0].patch(), "?");
}

TEST_F(UiLinkTest, PortsMapToThePanelsValuesBothWays)
{
    EXPECT_EQ(ui->getParameter(kInput), 0.2f) << "program 0's default before the host speaks";
    port(kGain, 7.f);
    EXPECT_EQ(ui->getParameter(kGain), 0.7f);
    const float channel[] = {0.f, 0.5f, 1.f};
    const float cabinet[] = {0.f, 0.5f, 1.f}; // INT., OFF, EXT.: the engine's exact values
    for (int position = 0; position < 3; ++position) {
        port(kMode, static_cast<float>(position));
        port(kCabinet, static_cast<float>(position));
        EXPECT_EQ(ui->getParameter(kMode), channel[position]);
        EXPECT_EQ(ui->getParameter(kCabinet), cabinet[position]);
    }
    port(kCabinet, 1.4f);
    EXPECT_EQ(ui->getParameter(kCabinet), 0.5f) << "a host that does not round: nearest position";

    host.writes.clear();
    ui->setParameterAutomated(kCabinet, 1.f);
    ui->setParameterAutomated(kMode, 0.5f);
    ui->setParameterAutomated(kGain, 0.35f);
    ui->setParameterAutomated(kNumParams, 1.f);
    ASSERT_EQ(host.writes.size(), 3u);
    EXPECT_EQ(host.writes[0].port, parameterPort(kCabinet));
    EXPECT_EQ(host.writes[0].value(), 2.f);
    EXPECT_EQ(host.writes[1].value(), 1.f);
    EXPECT_EQ(host.writes[2].value(), 3.5f);
    EXPECT_EQ(host.writes[2].format, 0u);
    EXPECT_EQ(ui->getParameter(kGain), 0.35f);
}

TEST_F(UiLinkTest, GesturesTouchTheirPortOnly)
{
    EXPECT_TRUE(ui->beginEdit(kTreble));
    EXPECT_TRUE(ui->endEdit(kTreble));
    EXPECT_FALSE(ui->beginEdit(9)) << "the LOAD button has no port";
    ASSERT_EQ(host.touches.size(), 2u);
    EXPECT_EQ(host.touches[0].port, parameterPort(kTreble));
    EXPECT_TRUE(host.touches[0].grabbed);
    EXPECT_FALSE(host.touches[1].grabbed);
}

TEST_F(UiLinkTest, TheFileGoesOutAsPatchSetAndTheNameFollowsNotifications)
{
    EXPECT_STREQ(ui->getIrPath(0), "empty");
    host.writes.clear();
    EXPECT_TRUE(ui->loadIrPath("/irs/My Cab.wav"));
    ASSERT_EQ(host.writes.size(), 1u);
    EXPECT_EQ(host.writes[0].port, kPortControl);
    EXPECT_EQ(host.writes[0].patch(), "/irs/My Cab.wav");
    EXPECT_STREQ(ui->getIrPath(0), "/irs/My Cab.wav");
    EXPECT_FALSE(ui->loadIrPath(std::string(300, 'a').c_str())) << "longer than a program's path field";
    EXPECT_EQ(host.writes.size(), 1u);

    const uint32_t transfer = Lv2World::get().urids.map(LV2_ATOM__eventTransfer);
    const std::string roomPath = "/other/room.wav", noPath;
    std::vector<uint8_t> message = patchMessage(&roomPath);
    ui->portEvent(kPortNotify, static_cast<uint32_t>(message.size()), transfer, message.data());
    EXPECT_STREQ(ui->getIrPath(0), "/other/room.wav");
    message = patchMessage(&noPath);
    ui->portEvent(kPortNotify, static_cast<uint32_t>(message.size()), transfer, message.data());
    EXPECT_STREQ(ui->getIrPath(0), "empty") << "no file shows as the panel always showed it";
    EXPECT_EQ(ui->getIrPath(4), nullptr);
}

// ---------------------------------------------------------------------------
// The shipped UI library in a window of ours

namespace {

struct UiLibraryTest : ::testing::Test {
    std::unique_ptr<X11HostWindow> hostWindow; // the host's window the panel goes into
    Display* display = nullptr;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Handle handle = nullptr;
    UiHost host;
    XTestPointer pointer{nullptr, [this] { idleInterface->idle(handle); }};

    void SetUp() override
    {
        hostWindow = std::make_unique<X11HostWindow>();
        if (!(display = hostWindow->display))
            GTEST_SKIP() << "no X display";
        if (!XTestPointer::available(display))
            GTEST_SKIP() << "no XTest extension";
        pointer.attach(display);

        library = dlopen(ZORVAN_LV2_BUNDLE "/zorvan-ferroharmonic-lite-ui.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->URI, kUiUri);
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
    }
    // A UI instance, in parent when given; its widget.
    LV2UI_Widget instantiate(void* parent)
    {
        std::vector<LV2_Feature> f = host.features(parent);
        const LV2_Feature* features[] = {&f[0], &f[1], &f[2], parent ? &f[3] : nullptr, nullptr};
        LV2UI_Widget widget = nullptr;
        handle = descriptor->instantiate(descriptor, kPluginUri, ZORVAN_LV2_BUNDLE, UiHost::write, &host, &widget,
                                         features);
        return widget;
    }
    // Top-level windows of the display titled name.
    int windowsNamed(const char* name)
    {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
        int found = 0;
        for (unsigned int i = 0; i < n; ++i) {
            char* title = nullptr;
            if (XFetchName(display, children[i], &title) && title) {
                found += std::strcmp(title, name) == 0;
                XFree(title);
            }
        }
        if (children)
            XFree(children);
        return found;
    }
    void TearDown() override
    {
        if (handle)
            descriptor->cleanup(handle);
        if (library)
            dlclose(library);
        hostWindow.reset();
    }
    void idle(int passes) { pointer.idle(passes); }
    void moveTo(int x, int y) { pointer.moveTo(x, y); }
    void button(bool down) { pointer.button(down); }
};

} // namespace

TEST_F(UiLibraryTest, EmbeddedAGainDragWritesThePortBetweenTouchBeginAndEnd)
{
    const LV2UI_Widget widget = instantiate(hostWindow->handle());
    ASSERT_NE(handle, nullptr);
    idle(5);
    const Window panel = hostWindow->child();
    ASSERT_NE(panel, 0u) << "the panel's window inside the host's";
    EXPECT_EQ(panel, reinterpret_cast<Window>(widget));
    pointer.setOrigin(panel);
    EXPECT_EQ(host.width, 600);
    EXPECT_EQ(host.height, 230);
    host.writes.clear();
    // GAIN sits at 168,146, 36 x 36; 200 pixels of movement cover the range.
    moveTo(186, 164);
    button(true);
    for (int dy = 5; dy <= 40; dy += 5)
        moveTo(186, 164 - dy);
    button(false);

    ASSERT_EQ(host.touches.size(), 2u);
    EXPECT_EQ(host.touches[0].port, parameterPort(kGain));
    EXPECT_TRUE(host.touches[0].grabbed);
    EXPECT_EQ(host.touches[1].port, parameterPort(kGain));
    EXPECT_FALSE(host.touches[1].grabbed);
    float last = 5.f;
    ASSERT_GE(host.writes.size(), 2u);
    for (const UiHost::Write& w : host.writes) {
        ASSERT_EQ(w.port, parameterPort(kGain));
        EXPECT_GT(w.order, host.touches[0].order) << "inside the gesture";
        EXPECT_LT(w.order, host.touches[1].order) << "inside the gesture";
        EXPECT_GT(w.value(), last) << "moving up raises GAIN";
        last = w.value();
    }
    EXPECT_NEAR(last, 7.f, 0.11f);
}

TEST_F(UiLibraryTest, ShownInAWindowOfItsOwnForHostsWithoutOne)
{
    EXPECT_EQ(instantiate(nullptr), nullptr) << "no widget without a parent";
    ASSERT_NE(handle, nullptr);
    const auto* show = static_cast<const LV2UI_Show_Interface*>(descriptor->extension_data(LV2_UI__showInterface));
    ASSERT_NE(show, nullptr);
    const char* title = "Zorvan Ferroharmonic Lite";
    EXPECT_EQ(windowsNamed(title), 0);
    EXPECT_EQ(show->show(handle), 0);
    idle(5);
    EXPECT_EQ(windowsNamed(title), 1);
    EXPECT_EQ(idleInterface->idle(handle), 0) << "still open";
    EXPECT_EQ(show->hide(handle), 0);
    XSync(display, False);
    EXPECT_EQ(windowsNamed(title), 0);
    EXPECT_EQ(show->show(handle), 0) << "shown again";
    idle(2);
    EXPECT_EQ(windowsNamed(title), 1);
}
