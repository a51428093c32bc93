#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "files/result.h"
#include "font/gamefont.h"
#include "kit/typinglimit.h"
#include "qa/checks.h"
#include "script/findpattern.h"
#include "script/scriptchecks.h"
#include "templates/gametemplate.h"

namespace rq::script {

// Every entry of a template as a translator works on it: the original as read when the window opened, the
// translation as it stands, its room, and what a save would write. Each change is one step of its undo
// stack; the counts of the filters follow each change, at the cost of the rows it touched.
class ScriptModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Number, Comment, Original, Translation, Room, ColumnCount };
    enum class Filter { All, Changed, Untranslated, Problems };
    struct Counts {
        int all = 0;
        int changed = 0;       // what the next save writes: differs from the text as read or last saved
        int untranslated = 0;  // the same as its original, as a save sees it
        int problems = 0;      // with a problem the checks find, besides being untranslated
    };

    // read and moving as readEntryTexts and movingRooms give them for gameTemplate; font as
    // TemplateFont::read gives it for gameTemplate (none: no pixel is measured).
    ScriptModel(templates::GameTemplate gameTemplate, editor::EntryTexts read,
                std::vector<std::optional<std::uint64_t>> moving,
                std::shared_ptr<const font::TemplateFont> font = {}, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    [[nodiscard]] const templates::TemplateEntry& entry(int row) const;
    [[nodiscard]] const QString& original(int row) const { return m_originals[row]; }
    [[nodiscard]] const QString& translation(int row) const { return m_translations[row]; }
    [[nodiscard]] bool shows(int row, Filter filter) const;
    [[nodiscard]] const std::vector<qa::Problem>& problems(int row) const {
        return m_checks.problems(static_cast<std::size_t>(row));
    }
    [[nodiscard]] const Counts& counts() const { return m_counts; }
    [[nodiscard]] bool edited() const { return m_counts.changed > 0; }
    // The counter of a row's room for a text, as the editor counts it; and the characters a save refuses.
    [[nodiscard]] kit::RoomLeft roomLeft(int row, const QString& text) const;
    // The widest counts a row's room may show (kit::roomLeftTexts).
    [[nodiscard]] QStringList roomLeftTexts(int row) const;
    [[nodiscard]] std::u32string unsaveable(int row, const QString& text) const;
    // Whether there is a font to measure with.
    [[nodiscard]] bool measures() const { return m_font != nullptr; }
    // What the game's font measures a row by; nothing when it has no box or there is no font.
    [[nodiscard]] std::optional<font::EntryMetrics> metrics(int row) const;
    // A text of a row as it is measured: without the padding a save adds.
    [[nodiscard]] std::string measured(int row, const QString& text) const;
    [[nodiscard]] QUndoStack& undoStack() { return m_undo; }

    // The translators' glossary the checks look for terms of (none: no term is looked for); every row is
    // checked again.
    void setGlossary(std::shared_ptr<const qa::TermMatcher> glossary);
    [[nodiscard]] const qa::TermMatcher* glossary() const { return m_glossary.get(); }
    // The glossary's terms a row's original holds, by index.
    [[nodiscard]] std::vector<std::size_t> terms(int row) const;

    // A translation as the user types it: one undo step, with the typing before it in the same row.
    void edit(int row, const QString& text);
    // Replaces what pattern finds in the translations of rows: one undo step. Gives the entries changed.
    int replaceAll(std::span<const int> rows, const FindPattern& pattern, const QString& with);
    // The other entries with the same original as row's.
    [[nodiscard]] int identicalOriginals(int row) const;
    // Gives them row's translation: one undo step.
    void applyToIdentical(int row);
    // A row's translation replaced whole (a rewrap): one undo step, never merged with typing.
    void replaceText(int row, const QString& text, const QString& what);

    // What a save did: the entries written, those of them whose strings moved to free space, and the free
    // space left after it (for a template that has free space).
    struct Saved {
        std::size_t written = 0;
        std::size_t moved = 0;
        std::optional<std::uint64_t> freeLeft;
    };
    // Writes the changed entries through the template as read now (the save's own rules: all or nothing,
    // pointers moved, the proof); then they count as saved, and moved strings are followed where they went.
    // Refused, with nothing written, while the checks find an error in a changed entry; nothing changed,
    // nothing is written.
    [[nodiscard]] Result<Saved> save(const templates::GameTemplate& gameTemplate,
                                     const std::string& gameFile);

    // A step of the undo stack: translations before and after.
    struct Change {
        int row = 0;
        QString before;
        QString after;
    };
    // What the undo stack applies: each row's text, the counts after them, one signal for the rows. Typed,
    // the rows that share their originals are checked later (checkPending).
    void apply(const std::vector<Change>& changes, bool undoing, bool typed);
    // The rows that share an original with rows typed in, checked now: when the user leaves the row, say.
    void checkPending();

  signals:
    void countsChanged();
    // A change to locked entries was left out (replace all, a rewrap, ...): the refusal, naming them.
    void refused(const QString& message);

  private:
    void setTranslation(int row, const QString& text);
    // Pushes the changes as one step, less those of locked rows, which it refuses; gives how many it pushed.
    int push(const QString& what, std::vector<Change> changes, bool typing = false);
    void showCounts();
    [[nodiscard]] bool changed(int row) const;
    [[nodiscard]] qa::ScriptTexts texts(const templates::GameTemplate& gameTemplate,
                                        const font::TemplateFont* font) const;

    templates::GameTemplate m_template;
    std::vector<editor::EntryRoom> m_rooms;              // as read, or where a save moved the string
    std::vector<std::optional<std::uint64_t>> m_moving;  // a pointer entry's largest free block
    std::shared_ptr<const font::TemplateFont> m_font;    // of m_template
    std::shared_ptr<const qa::TermMatcher> m_glossary;
    std::vector<QString> m_originals;  // as shown: without the padding a save adds
    std::vector<QString> m_translations;
    std::vector<std::string> m_texts;  // the translations in UTF-8, as the save and the checks take them
    std::vector<std::string>
        m_read;  // as read when the window opened, padding and all: the checks' originals
    std::vector<std::string> m_saved;  // as read or last saved, padding and all
    std::vector<char> m_changed;
    ScriptChecks m_checks;
    Counts m_counts;
    QUndoStack m_undo;
};

}  // namespace rq::script
