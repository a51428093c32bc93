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

// A load that identifies a game: its title is "Romquill - " and its name.
LoadRow game(const char* name, const char* loaderIni, const char* file, const std::vector<Patch>& bytes,
             const std::string& game, LaunchButton go, const char* picture, const char* templateFile,
             Step force, bool pc = false) {
    return {name, loaderIni, file,    bytes,        {},    "Romquill - " + game,
            game, go,        picture, templateFile, force, pc};
}
LoadRow sonic2(const char* name, const char* loaderIni, LaunchButton go, const char* picture,
               const char* templateFile, Step force) {
    return game(name, loaderIni, "sonic2.bin", kSonic2, "Sonic The Hedgehog 2", go, picture, templateFile,
                force);
}
// A load the identification refuses, with its message.
LoadRow refused(const char* name, const char* file, const std::vector<Patch>& bytes,
                const std::string& message, const std::string& title, LaunchButton go,
                const char* templateFile, Step force) {
    return {name, nullptr,          file,         bytes, {{message}}, title, title == "Romquill" ? "" : title,
            go,   "gfx\\norom.dat", templateFile, force};
}

LoadRow startUp() {
    LoadRow row{"StartUp"};
    row.title = "Romquill";
    row.romName = "No ROM Loaded";
    row.force = Step::Refuse;
    return row;
}

const LoadRow kLoads[] = {
    startUp(),
    game("SupportedGameWithTemplate", "[gamenames]\nSonic && Knuckles=other.ini\n", "sk.bin", kSk,
         "Sonic && Knuckles", {true}, "gfx\\other.dat", "other.ini", Step::Ask),
    sonic2("GameNameFoundIgnoringCaseAndTrimmed",
           "[GAMENAMES]\r\nsonic the hedgehog 2 =  \"other.ini\"  \r\n", {true}, "gfx\\other.dat",
           "other.ini", Step::Ask),
    sonic2("GameMissingFromTheTable", "[gamenames]\nSonic The Hedgehog 3=sonic3.ini\n", {false, kNoTemplate},
           "gfx\\norom.dat", "<error>", Step::OpenChooser),
    sonic2("EmptyGameTable", "", {false, kNoTemplate}, "gfx\\norom.dat", "<error>", Step::OpenChooser),
    // The games folder itself counts as found; no file there gives the default picture.
    sonic2("EmptyTemplateName", "[gamenames]\nSonic The Hedgehog 2=\n", {true}, "gfx\\norom.dat", "",
           Step::Ask),
    sonic2("DanglingTemplateName", "[gamenames]\nSonic The Hedgehog 2=missing.ini\n", {true},
           "gfx\\norom.dat", "missing.ini", Step::Ask),
    refused("UnsupportedGame", "other.bin", kOther, "This Megadrive ROM is not supported.", "Romquill",
            {false, kNonSonic}, nullptr, Step::OpenChooser),
    refused("InvalidImage", "blank.gba", kText, "This is not a valid GameBoy Advance ROM.", "Romquill",
            {false, kNonSonic}, nullptr, Step::OpenChooser),
    // The template path of the file before stays.
    refused("UnhandledFileType", "notes.txt", kText, "This type of file is not supported by RQL.",
            "No ROM Loaded", {false}, "sonic2.ini", Step::Refuse),
    // go and the template of the file before must not reach the executable.
    game("PcExecutableEnglish", nullptr, "sonic.exe", kPcE, "Sonic Adventure DX PC (E)", {false},
         "gfx\\pc-sadx-eng.dat", nullptr, Step::Ask, true),
    game("PcExecutableJapanese", nullptr, "sonic.exe", kPcJ, "Sonic Adventure DX PC (J)", {false},
         "gfx\\pc-sadx-jap.dat", nullptr, Step::Ask, true),
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
    std::string everything() const {
        const LauncherView& v = model.view();
        return state.loadedPath + "|" + state.detectedGame + "|" + state.templatePath + "|" + state.title +
               "|" + v.pathCaption + "|" + v.romName + "|" + v.go.caption + std::to_string(v.go.enabled) +
               std::to_string(v.sadxpcShown);
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
