#include "palette/palette_controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "cadlink/connection.h"
#include "platform/desktop.h"

namespace tarsel::palette {
namespace {

TEST(PaletteCaption, ShortensNameVersionTildeVersion) {
    const std::pair<const char*, const char*> cases[] = {
        {"BricsCAD", " [ BricsCAD ]"},
        {"Name Ver1~Ver2", " [ Name ~Ver2 ]"},
        {"Name Ver1", " [ Name Ver1 ]"},      // no tilde
        {"Name~Ver2 X", " [ Name~Ver2 X ]"},  // tilde before the blank
        {"図面 V1 ~V2", " [ 図面 ~V2 ]"},     // first blank decides
        {"", " [  ]"},
    };
    for (const auto& [name, caption] : cases) EXPECT_EQ(PaletteCaption(name), caption) << name;
}

TEST(PaletteSettings, LoadAppliesOptionsTargetAndPositionAndSaveWritesThemBack) {
    const auto dir = std::filesystem::temp_directory_path() / "tarsel_palette_settings";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto ini = dir / "Tarsel2025.ini";
    cadlink::InProcessCadRegistry registry;
    platform::RecordingDesktop desktop;
    const options::ScreenLayout screen{1280, 1024, 200, 300};

    PaletteController fresh(registry, desktop);
    EXPECT_FALSE(fresh.LoadSettings(ini, screen).fileFound);
    EXPECT_EQ(fresh.FormPosition(), (options::FormPosition{589, 336}));

    std::ofstream(ini, std::ios::binary)
        << "[LT_Tarsel]\r\nKyuuseki=1\r\nSyakudo=2\r\nProgId=Other.Application\r\n"
           "cadName=Other CAD 2020~2025\r\n";
    PaletteController controller(registry, desktop);
    controller.options().SetNextNumber(12);
    EXPECT_TRUE(controller.LoadSettings(ini, screen).fileFound);
    EXPECT_EQ(controller.options().TabSheet2Caption(), "三斜");
    EXPECT_EQ(controller.options().Edit8Text(), "100");
    EXPECT_EQ(controller.options().NextNumber(), 12);
    EXPECT_EQ(controller.session().TargetProgID, "Other.Application");
    EXPECT_EQ(controller.Caption(), " [ Other ~2025 ]");
    EXPECT_EQ(controller.FormPosition(), (options::FormPosition{540, 362}));

    controller.SetFormPosition({-10, 4000});
    controller.UpDown2Click(5);
    (void)controller.SaveSettings(ini);
    PaletteController again(registry, desktop);
    (void)again.LoadSettings(ini, screen);
    EXPECT_EQ(again.FormPosition(), (options::FormPosition{-10, 4000}));
    EXPECT_EQ(again.options().Rounding().lengthDigits, 5);
    EXPECT_EQ(again.session().TargetCadName, "Other CAD 2020~2025");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarsel::palette
