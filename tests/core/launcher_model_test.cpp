#include "launcher/launchermodel.h"
#include "support/testfiles.h"

namespace rq::launcher {

namespace {

using test::Patch;
using Launch = LauncherModel::Launch;

const std::vector<Patch> kSonic2{{0x100, "SEGA MEGA DRIVE"}, {0x183, "00001051-01"}};
// "Sonic && Knuckles" is told from "Sonic & Knuckles" by its size.
const std::vector<Patch> kSk{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-1563 -00"}, {0x1FFFFF, "\x01"}};
const std::vector<Patch> kOther{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-9999 -00"}};
const std::vector<Patch> kPcE{{0, "MZ"}, {0x3E04FD, "Now, you can play with SONIC!"}};
const std::vector<Patch> kPcJ{{0, "MZ"}, {0x3E050D, "Now, you can play with SONIC!"}};
const std::vector<Patch> kText{{0, "hello"}};

// A load made after "Sonic The Hedgehog 2" was loaded with its template sonic2.ini, and what the launcher
// then shows, as after() writes it; loader.ini as given, nullptr: the table that finds sonic2.ini.
using LoadRow = std::tuple<const char*, const char*, const char*, std::vector<Patch>, std::string>;

const LoadRow kLoads[] = {
    {"SupportedGameWithTemplate", "[gamenames]\nSonic && Knuckles=other.ini\n", "sk.bin", kSk,
     "Romquill - Sonic && Knuckles | Sonic && Knuckles | Launch! | script | template other.ini | other.dat | "
     "asks"},
    {"GameMissingFromTheTable", "[gamenames]\nSonic The Hedgehog 3=sonic3.ini\n", "sonic2.bin", kSonic2,
     "Romquill - Sonic The Hedgehog 2 | Sonic The Hedgehog 2 | This ROM currently has no available template. "
     "(off) | template <error> | norom.dat | opens"},
    // The games folder itself counts as found; no file there gives the default picture.
    {"EmptyTemplateName", "[gamenames]\nSonic The Hedgehog 2=\n", "sonic2.bin", kSonic2,
     "Romquill - Sonic The Hedgehog 2 | Sonic The Hedgehog 2 | Launch! | script | template  | norom.dat | "
     "asks"},
    {"UnsupportedGame", nullptr, "other.bin", kOther,
     "[This Megadrive ROM is not supported.] Romquill |  | Non-Sonic ROM, please load a template. (off) | no "
     "template | norom.dat | opens"},
    // The template path of the file before stays.
    {"UnhandledFileType", nullptr, "notes.txt", kText,
     "[This type of file is not supported by RQL.] No ROM Loaded | No ROM Loaded | Launch! (off) | template "
     "sonic2.ini | norom.dat | refuses"},
    // go, force_button and the template of the file before must not reach the executable.
    {"PcExecutableEnglish", nullptr, "sonic.exe", kPcE,
     "Romquill - Sonic Adventure DX PC (E) | Sonic Adventure DX PC (E) | Launch! (off) | sadxpc Launch! | "
     "force off | no template | pc-sadx-eng.dat | asks"},
    {"PcExecutableJapanese", nullptr, "sonic.exe", kPcJ,
     "Romquill - Sonic Adventure DX PC (J) | Sonic Adventure DX PC (J) | Launch! (off) | sadxpc Launch! | "
     "force off | no template | pc-sadx-jap.dat | asks"},
};

class LauncherModelTest : public testing::TestWithParam<LoadRow> {
  protected:
    void SetUp() override {
        folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=sonic2.ini\n");
        folder.writeTemplate("sonic2.ini", "[GameAndFileInfo]\nPicture=sonic2.dat\n");
        folder.writeTemplate("other.ini", "[GameAndFileInfo]\nPicture=other.dat\n");
    }
    LauncherModel::Load load(const std::string& name, const std::vector<Patch>& bytes) {
        test::writeImage(games.file(name), bytes);
        return model.load(games.file(name));
    }
    // The notices, title, rom_name as stored, go (off: disabled), "Script..." and sadxpc when shown,
    // force_button when disabled, the template and the picture without their folders, and what forcing a
    // template does.
    std::string after(const LauncherModel::Load& loaded) const {
        std::string line;
        for (const Notice& notice : loaded.notices) {
            line += "[" + notice.text + "] ";
        }
        const LauncherView& v = model.view();
        const auto button = [](const LaunchButton& b) { return b.caption + (b.enabled ? "" : " (off)"); };
        const std::string games = folder.path("plugins\\games\\");
        line += state.title + " | " + v.romName + " | " + button(v.go) + " | ";
        line += v.scriptShown ? "script | " : "";
        line += v.sadxpcShown ? "sadxpc " + button(v.sadxpc) + " | " : "";
        line += v.forceEnabled ? "" : "force off | ";
        line += state.templatePath.empty() ? "no template"
                                           : "template " + state.templatePath.substr(games.size());
        line += " | " + loaded.picture.value_or(folder.path("gfx\\-")).substr(folder.path("gfx\\").size());
        const char* force[] = {"opens", "asks", "refuses"};
        return line + " | " + force[static_cast<int>(model.forceTemplate().step)];
    }

    test::ProgramFolder folder;
    test::TempDir games;
    LauncherState state;
    LauncherModel model{state};
};

TEST_P(LauncherModelTest, ShowsWhatTheLoadFound) {
    const auto& [name, loaderIni, file, bytes, shown] = GetParam();
    ASSERT_EQ(after(load("sonic2.bin", kSonic2)),
              "Romquill - Sonic The Hedgehog 2 | Sonic The Hedgehog 2 | Launch! | script | template "
              "sonic2.ini | sonic2.dat | asks");
    if (loaderIni != nullptr) {
        folder.writeLoaderIni(loaderIni);
    }
    state.editorSavedTab = 7;
    EXPECT_EQ(after(load(file, bytes)), shown);
    EXPECT_EQ(
        std::tuple(state.loadedPath, model.view().pathCaption, state.detectedGame, state.editorSavedTab),
        std::tuple(games.file(file), games.file(file), model.view().romName, 0));
}

INSTANTIATE_TEST_SUITE_P(Loads, LauncherModelTest, testing::ValuesIn(kLoads), test::rowName);

TEST_F(LauncherModelTest, StartsWithNothingAndAFailedLoadChangesNothingButTheSavedTab) {
    EXPECT_EQ(after({}), "Romquill | No ROM Loaded | Launch! (off) | no template | - | refuses");
    const auto before = after(load("sonic2.bin", kSonic2)) + state.loadedPath;
    for (const auto& chosen : {std::optional<std::string>(), std::optional(games.file("gone.bin")),
                               std::optional(games.path().string())}) {
        SCOPED_TRACE(chosen.value_or("cancelled"));
        state.editorSavedTab = 7;
        const auto loaded = model.load(chosen);
        EXPECT_EQ(loaded.notices, std::vector<Notice>{LauncherModel::noNewRom()});
        EXPECT_EQ(after({{}, folder.path("gfx\\sonic2.dat")}) + state.loadedPath, before);
        EXPECT_FALSE(loaded.picture);
        EXPECT_EQ(state.editorSavedTab, 0);
    }
}

TEST_F(LauncherModelTest, ForcingTemplatesAndLaunching) {
    const auto pictures = model.applyForcedTemplate(folder.path("plugins\\games\\other.ini"), "Forced && Co");
    EXPECT_EQ(after({{}, pictures.at(0)}),
              "Romquill - Forced && Co | Forced && Co | Launch! | script | template other.ini | other.dat | "
              "asks");
    EXPECT_EQ(pictures.at(1), LauncherModel::noRomPicture());
    EXPECT_EQ(state.detectedGame, "Forced && Co");
    model.launching(Launch::Editor);
    EXPECT_EQ(model.view().go, (LaunchButton{false, "Loading..."}));
    model.launched(Launch::Editor);
    EXPECT_EQ(model.view().go, (LaunchButton{true, "Launch!"}));

    // Behind the executable's own button a forced template leaves go out of reach.
    ASSERT_TRUE(load("sonic.exe", kPcE).picture);
    model.launching(Launch::Cutscenes);
    (void)model.applyForcedTemplate(folder.path("plugins\\games\\other.ini"), "Forced");
    EXPECT_EQ(after({}),
              "Romquill - Forced | Forced | Launch! (off) | sadxpc Loading... (off) | force off | template "
              "other.ini | - | asks");
    model.launched(Launch::Cutscenes);
    EXPECT_EQ(model.view().sadxpc, (LaunchButton{true, "Launch!"}));
}

}  // namespace
}  // namespace rq::launcher
