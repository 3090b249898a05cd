// The password dialog and the list it adds to: what a screen reader finds, "解凍" (or
// Enter) adding the typed password as a line of its own, with the list's folder and file
// for the user alone, and "ｷｬﾝｾﾙ" (or Escape) adding nothing.
#include <sys/stat.h>

#include <QAccessible>
#include <QtTest>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "PasswordListFile.h"
#include "Unit3.h"

class PasswordDialog : public QObject {
    Q_OBJECT
    QWidget mainWindow_;
    TemporaryFolder folder_;

    std::filesystem::path List() const { return folder_.Path() / "config/kesto/passwords.txt"; }

    static mode_t ModeOf(const std::filesystem::path& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        return status.st_mode & 07777;
    }

  private slots:
    void init() {
        mainWindow_.setGeometry(454, 339, 363, 96);
        std::filesystem::remove_all(folder_.Path() / "config");
    }

    void aScreenReaderFindsTheArchiveAndAMaskedFieldByName() {
        TForm3 dialog("報告書.zip", List(), mainWindow_);
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("パスワード"));
        QCOMPARE(dialog.Label2->text(), QString::fromUtf8("報告書.zip"));
        QCOMPARE(dialog.Edit1->echoMode(), QLineEdit::Password);
        struct Row {
            QWidget* control;
            QAccessible::Role role;
            const char* name;
        };
        for (const Row& row : {Row{dialog.Edit1, QAccessible::EditableText, "ﾊﾟｽﾜｰﾄﾞ"},
                               Row{dialog.SpeedButton1, QAccessible::Button, "解凍"},
                               Row{dialog.SpeedButton2, QAccessible::Button, "ｷｬﾝｾﾙ"}}) {
            QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(row.control);
            QVERIFY(seen != nullptr);
            QCOMPARE(seen->role(), row.role);
            QCOMPARE(seen->text(QAccessible::Name), QString::fromUtf8(row.name));
        }
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(dialog.Edit1);
        QVERIFY(field->state().passwordEdit);
    }

    void extractAddsThePasswordForTheUserAlone() {
        int added = 0;
        for (const bool byEnter : {false, true}) {
            auto* dialog = new TForm3("a.zip", List(), mainWindow_);
            dialog->OnPasswordAdded = [&](const AddedPassword&) { ++added; };
            dialog->show();
            if (byEnter) {
                dialog->Edit1->setText(QString::fromUtf8("秘密の合言葉"));
                QTest::keyClick(dialog->Edit1, Qt::Key_Return);
            } else {
                QTest::keyClicks(dialog->Edit1, "first");
                dialog->SpeedButton1->click();
            }
            QVERIFY(dialog->isHidden());
            delete dialog;
        }
        QCOMPARE(added, 2);
        QCOMPARE(QString::fromStdString(ReadWholeFile(List())),
                 QString::fromUtf8("first\n秘密の合言葉\n"));
        QCOMPARE(ModeOf(List()), mode_t{0600});
        QCOMPARE(ModeOf(List().parent_path()), mode_t{0700});
    }

    void cancelAddsNothing() {
        for (const bool byEscape : {false, true}) {
            auto* dialog = new TForm3("a.zip", List(), mainWindow_);
            dialog->show();
            QTest::keyClicks(dialog->Edit1, "typed but not kept");
            if (byEscape) {
                QTest::keyClick(dialog, Qt::Key_Escape);
            } else {
                dialog->SpeedButton2->click();
            }
            QVERIFY(dialog->isHidden());
            delete dialog;
        }
        QVERIFY(!std::filesystem::exists(List()));
    }

    // A list the user edited keeps its lines; a password that cannot be one line is
    // refused.
    void theListKeepsItsLines() {
        struct Row {
            const char* before;
            const char* password;
            bool kept;
            const char* after;
        };
        std::filesystem::create_directories(List().parent_path());
        for (const Row& row :
             {Row{"one\n", "two", true, "one\ntwo\n"}, Row{"one", "two", true, "one\ntwo\n"},
              Row{"one\r\n", "two", true, "one\r\ntwo\n"}, Row{"", "", false, ""},
              Row{"", "two\nlines", false, ""}}) {
            WriteWholeFile(List(), row.before);
            QCOMPARE(AppendPassword(List(), row.password).has_value(), row.kept);
            QCOMPARE(ReadWholeFile(List()), std::string(row.after));
        }
    }

    // A line added here goes again only where it still stands as it was added, whatever
    // the user wrote around it since; the user's lines stay as they are.
    void anAddedLineIsTakenOutAndNothingElse() {
        struct Row {
            const char* before;
            const char* afterAdding;  // what the user then wrote after it
            bool taken;
            const char* after;
        };
        std::filesystem::create_directories(List().parent_path());
        for (const Row& row : {
                 Row{"", "", true, ""}, Row{"one", "", true, "one\n"},
                 Row{"one\r\n", "three\n", true, "one\r\nthree\n"},
                 Row{"added\n", "", true, "added\n"},  // the user's own line of it stays
             }) {
            WriteWholeFile(List(), row.before);
            const auto added = AppendPassword(List(), "added");
            QVERIFY(added.has_value());
            WriteWholeFile(List(), ReadWholeFile(List()) + row.afterAdding);
            QCOMPARE(TakeOutPassword(List(), *added), row.taken);
            QCOMPARE(ReadWholeFile(List()), std::string(row.after));
        }
        // Moved by an edit above it, or changed: left alone.
        WriteWholeFile(List(), "one\n");
        const auto added = AppendPassword(List(), "added");
        for (const char* edited : {"zero\none\nadded\n", "one\naddeX\n", "one\nadd"}) {
            WriteWholeFile(List(), edited);
            QVERIFY(!TakeOutPassword(List(), *added));
            QCOMPARE(ReadWholeFile(List()), std::string(edited));
        }
    }

    void theListIsLookedAtAsTheLibraryReadsIt() {
        std::filesystem::create_directories(List().parent_path());
        QVERIFY(!LookAtPasswordList(List()).identity.has_value());
        for (const auto& [text, holds] : std::initializer_list<std::pair<const char*, bool>>{
                 {"", false}, {"\n\r\n\n", false}, {"\xEF\xBB\xBF\n", false}, {"\nx\n", true}}) {
            WriteWholeFile(List(), text);
            const PasswordListLook look = LookAtPasswordList(List());
            QVERIFY(look.identity.has_value());
            QCOMPARE(look.holdsPasswords, holds);
        }
    }
};

QTEST_MAIN(PasswordDialog)
#include "test_password_dialog.moc"
