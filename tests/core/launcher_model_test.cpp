#include <gtest/gtest.h>

#include "launcher/launchermodel.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using test::Patch;
using Step = LauncherModel::ForceStep;

const std::vector<Patch> kSonic2{{0x100, "SEGA MEGA DRIVE"}, {0x183, "00001051-01"}};
// "Sonic && Knuckles" is told from "Sonic & Knuckles" by its size.
const std::vector<Patch> kSk{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-1563 -00"}, {0x1FFFFF, "\x01"}};
const std::vector<Patch> kOther{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-9999 -00"}};
const std::vector<Patch> kPcE{{0, "MZ"}, {0x3E04FD, "Now, you can play with SONIC!"}};
const std::vector<Patch> kPcJ{{0, "MZ"}, {0x3E050D, "Now, you can play with SONIC!"}};
const std::vector<Patch> kText{{0, "hello"}};
const std::string kNoTemplate = "This ROM currently has no available template.";
const std::string kNonSonic = "Non-Sonic ROM, please load a template.";

// Each kind of load, made after "Sonic The Hedgehog 2" was loaded with its template sonic2.ini. Paths are
// relative to the program folder; "" for templateFile is the games folder itself.
struct LoadRow {
    const char* name;
    const char* loaderIni;  // nullptr: the table that finds sonic2.ini
    const char* file;       // nullptr: nothing loaded since start-up
    std::vector<Patch> bytes;
    std::vector<Notice> notices;
    std::string title, romName;  // rom_name as stored, "&&" for one "&"
    LaunchButton go;
    const char* picture;       // nullptr: none to show
    const char* templateFile;  // nullptr: no template path
    Step force;
    bool pc = false;
};

void PrintTo(const LoadRow& row, std::ostream* out) {
    *out << row.name;
}

const LoadRow kLoads[] = {
    {"StartUp",
     nullptr,
     nullptr,
     {},
     {},
     "Romquill",
     "No ROM Loaded",
     {false},
     nullptr,
     nullptr,
     Step::Refuse},
    {"SupportedGameWithTemplate",
     "[gamenames]\nSonic && Knuckles=other.ini\n",
     "sk.bin",
     kSk,
     {},
     "Romquill - Sonic && Knuckles",
     "Sonic && Knuckles",
     {true},
     "gfx\\other.dat",
     "other.ini",
     Step::Ask},
    {"GameNameFoundIgnoringCaseAndTrimmed",
     "[GAMENAMES]\r\nsonic the hedgehog 2 =  \"other.ini\"  \r\n",
     "sonic2.bin",
     kSonic2,
     {},
     "Romquill - Sonic The Hedgehog 2",
     "Sonic The Hedgehog 2",
     {true},
     "gfx\\other.dat",
     "other.ini",
     Step::Ask},
    {"GameMissingFromTheTable",
     "[gamenames]\nSonic The Hedgehog 3=sonic3.ini\n",
     "sonic2.bin",
     kSonic2,
     {},
     "Romquill - Sonic The Hedgehog 2",
     "Sonic The Hedgehog 2",
     {false, kNoTemplate},
     "gfx\\norom.dat",
     "<error>",
     Step::OpenChooser},
    {"EmptyGameTable",
     "",
     "sonic2.bin",
     kSonic2,
     {},
     "Romquill - Sonic The Hedgehog 2",
     "Sonic The Hedgehog 2",
     {false, kNoTemplate},
     "gfx\\norom.dat",
     "<error>",
     Step::OpenChooser},
    // The games folder itself counts as found; no file there gives the default picture.
    {"EmptyTemplateName",
     "[gamenames]\nSonic The Hedgehog 2=\n",
     "sonic2.bin",
     kSonic2,
     {},
     "Romquill - Sonic The Hedgehog 2",
     "Sonic The Hedgehog 2",
     {true},
     "gfx\\norom.dat",
     "",
     Step::Ask},
    {"DanglingTemplateName",
     "[gamenames]\nSonic The Hedgehog 2=missing.ini\n",
     "sonic2.bin",
     kSonic2,
     {},
     "Romquill - Sonic The Hedgehog 2",
     "Sonic The Hedgehog 2",
     {true},
     "gfx\\norom.dat",
     "missing.ini",
     Step::Ask},
    {"UnsupportedGame",
     nullptr,
     "other.bin",
     kOther,
     {{"This Megadrive ROM is not supported."}},
     "Romquill",
     "",
     {false, kNonSonic},
     "gfx\\norom.dat",
     nullptr,
     Step::OpenChooser},
    {"InvalidImage",
     nullptr,
     "blank.gba",
     kText,
     {{"This is not a valid GameBoy Advance ROM."}},
     "Romquill",
     "",
     {false, kNonSonic},
     "gfx\\norom.dat",
     nullptr,
     Step::OpenChooser},
    // The template path of the file before stays.
    {"UnhandledFileType",
     nullptr,
     "notes.txt",
     kText,
     {{"This type of file is not supported by RQL."}},
     "No ROM Loaded",
     "No ROM Loaded",
     {false},
     "gfx\\norom.dat",
     "sonic2.ini",
     Step::Refuse},
    // go and the template of the file before must not reach the executable.
    {"PcExecutableEnglish",
     nullptr,
     "sonic.exe",
     kPcE,
     {},
     "Romquill - Sonic Adventure DX PC (E)",
     "Sonic Adventure DX PC (E)",
     {false},
     "gfx\\pc-sadx-eng.dat",
     nullptr,
     Step::Ask,
     true},
    {"PcExecutableJapanese",
     nullptr,
     "sonic.exe",
     kPcJ,
     {},
     "Romquill - Sonic Adventure DX PC (J)",
     "Sonic Adventure DX PC (J)",
     {false},
     "gfx\\pc-sadx-jap.dat",
     nullptr,
     Step::Ask,
     true},
};

class LauncherModelTest : public testing::Test {
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
    // Everything a load may change, to tell that nothing did.
    std::vector<std::string> everything() const {
        const LauncherView& v = model.view();
        return {state.loadedPath,
                state.detectedGame,
                state.templatePath,
                state.title,
                v.pathCaption,
                v.romName,
                v.go.caption,
                std::to_string(v.go.enabled),
                std::to_string(v.sadxpcShown)};
    }

    test::ProgramFolder folder;
    test::TempDir games;
    LauncherState state;
    LauncherModel model{state};
};

class LauncherModelLoad : public LauncherModelTest, public testing::WithParamInterface<LoadRow> {};

TEST_P(LauncherModelLoad, ShowsWhatTheLoadFound) {
    const LoadRow& row = GetParam();
    LauncherModel::Load loaded;
    std::string path = "No ROM Loaded";
    if (row.file != nullptr) {
        ASSERT_EQ(load("sonic2.bin", kSonic2).picture, folder.path("gfx\\sonic2.dat"));
        if (row.loaderIni != nullptr) {
            folder.writeLoaderIni(row.loaderIni);
        }
        state.editorSavedTab = 7;
        loaded = load(row.file, row.bytes);
        path = games.file(row.file);
    }
    EXPECT_EQ(loaded.notices, row.notices);
    EXPECT_EQ(loaded.picture, row.picture ? std::optional(folder.path(row.picture)) : std::nullopt);
    EXPECT_EQ(state.loadedPath, row.file ? path : "");
    EXPECT_EQ(state.detectedGame, row.file ? row.romName : "");
    EXPECT_EQ(state.templatePath, row.templateFile ? folder.path("plugins\\games\\") + row.templateFile : "");
    EXPECT_EQ(state.title, row.title);
    EXPECT_EQ(state.editorSavedTab, 0);
    const LauncherView& view = model.view();
    EXPECT_EQ(view.pathCaption, path);
    EXPECT_EQ(view.romName, row.romName);
    EXPECT_EQ(view.go, row.go);
    EXPECT_EQ(view.sadxpcShown, row.pc);
    EXPECT_EQ(view.forceEnabled, !row.pc);
    EXPECT_EQ(model.forceTemplate().step, row.force);
}

INSTANTIATE_TEST_SUITE_P(Loads, LauncherModelLoad, testing::ValuesIn(kLoads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LauncherModelTest, AFailedLoadChangesNothingButTheSavedTab) {
    ASSERT_TRUE(load("sonic2.bin", kSonic2).picture);
    const auto before = everything();
    for (const auto& chosen : {std::optional<std::string>(), std::optional(games.file("gone.bin")),
                               std::optional(games.path().string())}) {
        SCOPED_TRACE(chosen.value_or("cancelled"));
        state.editorSavedTab = 7;
        const auto loaded = model.load(chosen);
        EXPECT_EQ(loaded.notices, std::vector<Notice>{LauncherModel::noNewRom()});
        EXPECT_FALSE(loaded.picture);
        EXPECT_EQ(state.editorSavedTab, 0);
        EXPECT_EQ(everything(), before);
    }
}

TEST_F(LauncherModelTest, ForcingTemplatesAndLaunching) {
    const auto forced = model.applyForcedTemplate(folder.path("plugins\\games\\other.ini"), "Forced && Co");
    EXPECT_EQ(forced,
              (std::vector<std::string>{folder.path("gfx\\other.dat"), folder.path("gfx\\norom.dat")}));
    EXPECT_EQ(state.detectedGame, "Forced && Co");
    EXPECT_EQ(state.title, "Romquill - Forced && Co");
    EXPECT_EQ(model.view().romName, "Forced && Co");
    EXPECT_EQ(model.view().go, (LaunchButton{true, "Launch!"}));

    model.launching(LauncherModel::Launch::Editor);
    EXPECT_EQ(model.view().go, (LaunchButton{false, "Loading..."}));
    model.launched(LauncherModel::Launch::Editor);
    EXPECT_EQ(model.view().go, (LaunchButton{true, "Launch!"}));

    // Behind the executable's own button a forced template leaves go out of reach.
    ASSERT_TRUE(load("sonic.exe", kPcE).picture);
    model.launching(LauncherModel::Launch::Cutscenes);
    EXPECT_EQ(model.view().sadxpc, (LaunchButton{false, "Loading..."}));
    (void)model.applyForcedTemplate(folder.path("plugins\\games\\other.ini"), "Forced");
    EXPECT_FALSE(model.view().go.enabled);
    EXPECT_TRUE(model.view().sadxpcShown);
    model.launched(LauncherModel::Launch::Cutscenes);
    EXPECT_EQ(model.view().sadxpc, (LaunchButton{true, "Launch!"}));
}

}  // namespace
}  // namespace rq
