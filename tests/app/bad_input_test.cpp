// The same bad input, given to the window and to `tessera search`, starts nothing in either, says
// the same thing (in the window's strip, on the command's standard error) and leaves every file
// as it was; the window's status line names the fault, the command exits with status 2.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <map>

#include "app/Unit1.h"
#include "gui_test_support.h"

using namespace tessera;
using namespace tessera::guitest;

namespace {

struct BadInput {
    const char* name;
    bool pieces;               // whether "zdroj.txt" is there
    const char* file;          // a further file of the working directory, or nullptr
    const char* file_text;
    const char* resume;        // the resume field and --resume
    const char* first_x;       // the first point's X field and the X of --first
    const char* status;        // the window's status line afterwards
    const char* message;       // what the strip and standard error both say
};

const BadInput kBadInputs[] = {
    {"no piece file", false, nullptr, nullptr, "", "1", "Chybi zdroj.txt", "'zdroj.txt'"},
    {"missing resume file", true, nullptr, nullptr, "missing.txt", "1", "Predesle reseni nelze nacist",
     "Predesle reseni nelze nacist ('missing.txt')"},
    {"garbage resume file", true, "garbage.txt", "hello\n", "garbage.txt", "1", "Predesle reseni nelze nacist",
     "garbage.txt:1: 'hello' is not a number"},
    {"first point off the board", true, nullptr, nullptr, "", "40", "Chybne parametry",
     "first point 40,18 lies outside the board"},
    {"first point on the frame", true, nullptr, nullptr, "", "0", "Prvni bod je plny",
     "first point 0,18 lies on a full cell"},
};

// Every file of the working directory with its contents.
std::map<QString, std::string> files() {
    std::map<QString, std::string> out;
    for (const QString& name : QDir().entryList(QDir::Files)) out[name] = read_file(name.toStdString());
    return out;
}

void prepare(const BadInput& input) {
    for (const QString& name : QDir().entryList(QDir::Files)) QFile::remove(name);
    if (input.pieces) write_file("zdroj.txt", piece_file(kTwelvePieces, kLongSearch));
    if (input.file) write_file(input.file, input.file_text);
    write_file("tuton.txt", "1 10 21 1\n");
}

struct Outcome {
    QString status, message;
    std::map<QString, std::string> files;
};

Outcome in_the_window(const BadInput& input) {
    TForm1 form;
    form.Edit1->setText(input.resume);
    form.Edit10->setText(input.first_x);
    form.show();
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    const QStringList strip = form.info_strip->text().split('\n');
    return {form.status(), strip.size() > 1 ? strip.last() : QString(), files()};
}

Outcome on_the_command_line(const BadInput& input) {
    QProcess search;
    QStringList args = {"search", "--quiet", "--first", QString(input.first_x) + ",18"};
    if (*input.resume) args << "--resume" << input.resume;
    search.start(TESSERA_BIN, args);
    const bool exited = search.waitForFinished(30000) && search.exitStatus() == QProcess::NormalExit;
    const QStringList err = QString::fromUtf8(search.readAllStandardError()).trimmed().split('\n');
    return {exited ? QString("exit %1").arg(search.exitCode()) : "no exit", err.last(), files()};
}

}  // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void the_window_and_the_command_line_refuse_alike();

private:
    ScratchDir dir_;
};

void BadInputTest::the_window_and_the_command_line_refuse_alike() {
    for (const BadInput& input : kBadInputs) {
        prepare(input);
        const std::map<QString, std::string> before = files();
        const Outcome window = in_the_window(input);
        const Outcome command = on_the_command_line(input);
        const QString row = QString(input.name) + ": ";
        QCOMPARE(row + window.status, row + input.status);
        QCOMPARE(row + command.status, row + "exit 2");
        QVERIFY2(window.message.contains(input.message), qPrintable(row + window.message));
        QVERIFY2(command.message.contains(input.message), qPrintable(row + command.message));
        QVERIFY2(window.files == before, qPrintable(row + "the window changed a file"));
        QVERIFY2(command.files == before, qPrintable(row + "the command changed a file"));
    }
}

QTEST_MAIN(BadInputTest)
#include "bad_input_test.moc"
