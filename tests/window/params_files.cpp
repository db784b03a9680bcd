// Window tests of the parameter files: saving and loading, the forms a file may take, and files
// that must leave the block and the window untouched.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <atomic>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "params/pure/param_file.h"

#include "params_support.h"

namespace verrano::test {
namespace {

QByteArray Lines(const std::vector<QByteArray>& fields) {
    QByteArray out;
    for (const auto& f : fields)
        out += "\"" + f + "\"\r\n";
    return out;
}

class ParamsFiles : public ParamsTest {
protected:
    struct Snapshot {
        ParamBytes block;
        int zero, left, right, id;
        bool normal;
        QString status;
        bool operator==(const Snapshot&) const = default;
    };

    Snapshot Take() {
        return {w->ParamBlock,
                Find<QScrollBar>("HScroll_zero")->value(),
                Find<QScrollBar>("HScroll_Limit_min")->value(),
                Find<QScrollBar>("HScroll_Limit_max")->value(),
                Find<QScrollBar>("HScroll_id")->value(),
                w->opt_dir[0]->isChecked(),
                w->StatusText()};
    }

    void Load(const QString& name, const QByteArray& content) {
        WriteFile(name, content);
        nextPath = dir.filePath(name);
        w->open_Click();
    }

    // A load that must be refused: the load error, and nothing changed.
    void ExpectRefused(const QString& name, const QByteArray& content) {
        const Snapshot before = Take();
        boxes.clear();
        Load(name, content);
        ASSERT_EQ(boxes.size(), 1u) << name.toStdString();
        EXPECT_EQ(boxes[0].text, "File Load error!");
        EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
        EXPECT_TRUE(Take() == before) << name.toStdString();
    }

    // Saves locked/set.qel, in a folder that takes no new files, in a child process as a user
    // whom the folder's permissions bind (root writes anywhere) and whose writes past limit bytes
    // fail. The save must end with the status text given, and with the save error when that is
    // not a success.
    void SaveInLockedFolder(rlim_t limit, const QString& status) {
        ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
        WriteFile("locked/set.qel", "\"1\"\r\n");
        const QByteArray folder = QFile::encodeName(dir.filePath("locked"));
        const QByteArray file = QFile::encodeName(dir.filePath("locked/set.qel"));
        const QByteArray top = QFile::encodeName(dir.path());
        nextPath = dir.filePath("locked/set.qel");
        const bool saved = status.endsWith(QStringLiteral("Save OK"));
        EXPECT_EXIT(
            {
                int code = 0;
                if (::geteuid() == 0) {
                    const uid_t nobody = 65534;
                    if (::chown(folder.constData(), nobody, nobody) != 0 ||
                        ::chown(file.constData(), nobody, nobody) != 0 ||
                        ::chmod(top.constData(), 0711) != 0 || ::setgid(nobody) != 0 ||
                        ::setuid(nobody) != 0)
                        code = 3;
                }
                if (code == 0 && ::chmod(folder.constData(), 0555) != 0) code = 3;
                QFile probe(QString::fromLocal8Bit(folder) + QStringLiteral("/probe"));
                if (code == 0 && probe.open(QIODevice::WriteOnly)) code = 2; // it took a file
                if (code == 0) {
                    LimitFileSize(limit);
                    w->save_Click();
                    const bool told = boxes.size() == 1 && boxes[0].text == "File Save error!";
                    if ((saved ? !boxes.empty() : !told) || w->StatusText() != status) code = 1;
                }
                ::_exit(code);
            },
            ::testing::ExitedWithCode(0), "");
        ::chmod(folder.constData(), 0755);
    }
};

TEST_F(ParamsFiles, RoundTrip) {
    StartWindow();
    w->ParamBlock = kServoBlock;
    nextPath = dir.filePath("a.qel");
    w->save_Click();
    EXPECT_EQ(w->StatusText(), "a.qel - Save OK");
    // One line a byte, in block order.
    EXPECT_EQ(ReadFile("a.qel"),
              Lines({"255", "228", "175", "215", "50", "4", "160", "60", "41", "9", "197", "30",
                     "3", "200", "100", "10", "2", "180", "80"}));
    EXPECT_TRUE(dialogs.back());

    w->ParamBlock.fill(1);
    w->open_Click();
    EXPECT_FALSE(dialogs.back());
    EXPECT_EQ(w->StatusText(), "a.qel - Load OK!");
    EXPECT_EQ(w->ParamBlock, kServoBlock);
    EXPECT_EQ(Find<QScrollBar>("HScroll_zero")->value(), -28);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_min")->value(), 175);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_max")->value(), 215);
    EXPECT_TRUE(boxes.empty());

    // Without an extension the name gets one, and the status names the file written.
    nextPath = dir.filePath("b");
    w->save_Click();
    EXPECT_EQ(w->StatusText(), "b.qel - Save OK");
    EXPECT_EQ(ReadFile("b.qel"), ReadFile("a.qel"));
    EXPECT_FALSE(QFile::exists(dir.filePath("b")));
}

TEST_F(ParamsFiles, TheFileWrittenIsTheOneTheUserConfirmed) {
    StartWindow();
    w->ParamBlock = kServoBlock;
    w->SetStatusText("before");
    const QByteArray old = Lines({"1", "2", "180"});
    WriteFile("mine.qel", old);
    // "mine" typed in the dialog, which found no such file to ask about: the program asks
    // about the file it would replace.
    nextPath = dir.filePath("mine");
    answers = {MsgResult::No};
    w->save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "mine.qel already exists.\nDo you want to replace it?");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(ReadFile("mine.qel"), old);
    EXPECT_EQ(w->StatusText(), "before");
    boxes.clear();
    w->save_Click(); // Yes
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(w->StatusText(), "mine.qel - Save OK");
    EXPECT_NE(ReadFile("mine.qel"), old);

    // A name with a dot gets the extension too, or the open dialog's filter would hide it.
    boxes.clear();
    nextPath = dir.filePath("tavrik_7.4kg");
    w->save_Click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(w->StatusText(), "tavrik_7.4kg.qel - Save OK");
    EXPECT_EQ(ReadFile("tavrik_7.4kg.qel"), ReadFile("mine.qel"));
    EXPECT_FALSE(QFile::exists(dir.filePath("tavrik_7.4kg")));

    // "mine.qel " with a trailing blank names no file to the dialog, but the blank is trimmed.
    boxes.clear();
    WriteFile("mine.qel", old);
    w->SetStatusText("before");
    nextPath = dir.filePath("mine.qel ");
    answers = {MsgResult::No};
    w->save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "mine.qel already exists.\nDo you want to replace it?");
    EXPECT_EQ(ReadFile("mine.qel"), old);
    EXPECT_EQ(w->StatusText(), "before");
}

TEST_F(ParamsFiles, FormsThatLoad) {
    StartWindow();
    // One line of commas loads like the nineteen-line form.
    Load("c.qel", "\"0\",\"10\",\"200\",\"190\",\"10\",\"2\",\"160\",\"60\",\"40\",\"9\","
                  "\"0\",\"50\",\"4\",\"200\",\"100\",\"10\",\"2\",\"160\",\"60\"\r\n");
    EXPECT_EQ(w->StatusText(), "c.qel - Load OK!");
    EXPECT_EQ(Find<QScrollBar>("HScroll_zero")->value(), 10);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_min")->value(), 200);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_max")->value(), 190);
    EXPECT_TRUE(w->opt_dir[1]->isChecked()) << "bit 0 clear is Reverse";
    EXPECT_EQ(w->FlagByte, 40);
    EXPECT_TRUE(w->opt_Damp[0]->isChecked());
    EXPECT_TRUE(w->opt_Hold[0]->isChecked());
    EXPECT_TRUE(w->opt_Punch[0]->isChecked());
    // The ID is kept in the block only; programming takes the window's.
    EXPECT_EQ(w->ParamBlock[9], 9);
    EXPECT_EQ(Find<QScrollBar>("HScroll_id")->value(), 0);
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[9], 0);
    EXPECT_EQ(w->ParamBlock[8], 40) << "bits 1..7 of the file's flags reach the block";

    // A short file replaces its entries and keeps the rest; -200 shows.
    w->ParamBlock = kServoBlock;
    Load("d.qel", Lines({"255", "56", "171"}));
    EXPECT_EQ(w->StatusText(), "d.qel - Load OK!");
    EXPECT_EQ(Find<QScrollBar>("HScroll_zero")->value(), -200);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_min")->value(), 171);
    EXPECT_EQ(w->ParamBlock[2], 171);
    EXPECT_EQ(w->ParamBlock[3], 215);
    EXPECT_EQ(w->ParamBlock[18], 80);

    // An empty file loads nothing and shows the block again.
    const ParamBytes before = w->ParamBlock;
    Load("e.qel", QByteArray(""));
    EXPECT_EQ(w->StatusText(), "e.qel - Load OK!");
    EXPECT_EQ(w->ParamBlock, before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ParamsFiles, BadFilesChangeNothing) {
    StartWindow();
    w->ParamBlock = kServoBlock;
    w->ShowLoadedParams();
    w->SetStatusText("before");

    std::vector<QByteArray> twenty(20, "1");
    twenty[2] = twenty[3] = "180";
    ExpectRefused("twenty.qel", Lines(twenty));
    ExpectRefused("big.qel", Lines({"0", "0", "256"}));
    ExpectRefused("neg.qel", Lines({"0", "0", "-1"}));
    ExpectRefused("frac.qel", Lines({"0", "0", "180.5"}));
    ExpectRefused("word.qel", Lines({"0", "0", "abc"}));
    ExpectRefused("zero201.qel", Lines({"0", "201"}));
    ExpectRefused("zero-201.qel", Lines({"255", "55"}));
    ExpectRefused("left169.qel", Lines({"0", "0", "169"}));
    ExpectRefused("right231.qel", Lines({"0", "0", "180", "231"}));

    // A file that can't be opened.
    const Snapshot before = Take();
    boxes.clear();
    nextPath = dir.filePath("missing.qel");
    w->open_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File Load error!");
    EXPECT_TRUE(Take() == before);

    // A cancelled dialog changes nothing and says nothing.
    boxes.clear();
    nextPath.clear();
    w->open_Click();
    w->save_Click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Take() == before);

    // After all that, loading and saving still work.
    nextPath = dir.filePath("ok.qel");
    w->save_Click();
    EXPECT_EQ(w->StatusText(), "ok.qel - Save OK");
    w->open_Click();
    EXPECT_EQ(w->StatusText(), "ok.qel - Load OK!");
}

TEST_F(ParamsFiles, AnythingButARegularFileIsRefusedBeforeItIsOpened) {
    StartWindow();
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.qel"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // Should the load open the pipe after all, a writer that comes and goes after a while lets
    // the open return, so the test ends.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (done) return;
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    });
    const Snapshot before = Take();
    QElapsedTimer t;
    t.start();
    for (const QString& path : {dir.filePath("pipe.qel"), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(path.toStdString());
        boxes.clear();
        nextPath = path;
        w->open_Click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "File Load error!");
        EXPECT_TRUE(Take() == before);
    }
    EXPECT_LT(t.elapsed(), 2000);
    done = true;
    writer.join();
}

TEST_F(ParamsFiles, FailedSaveLeavesTheOldFile) {
    StartWindow();
    w->ParamBlock = kServoBlock;
    w->SetStatusText("before");
    nextPath = dir.filePath("nowhere/x.qel");
    w->save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File Save error!");
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(w->StatusText(), "before");

    // A save that can't replace what stands at the path leaves it as it was.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.qel"));
    WriteFile("taken.qel/inside", "keep");
    boxes.clear();
    nextPath = dir.filePath("taken.qel");
    w->save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File Save error!");
    EXPECT_EQ(ReadFile("taken.qel/inside"), "keep");
}

TEST_F(ParamsFiles, AFileInAFolderThatTakesNoNewFilesIsReplacedInPlace) {
    StartWindow();
    w->ParamBlock = kServoBlock;
    SaveInLockedFolder(RLIM_INFINITY, "set.qel - Save OK");
    const std::string text = FormatParamFile(kServoBlock);
    EXPECT_EQ(ReadFile("locked/set.qel"), QByteArray(text.data(), static_cast<int>(text.size())));
    EXPECT_TRUE(QDir(dir.filePath("locked")).entryList(QDir::Files) == QStringList{"set.qel"});
}

TEST_F(ParamsFiles, AFullDiskFailsTheSaveAndKeepsTheOldFile) {
    StartWindow();
    w->ParamBlock = kServoBlock;
    w->SetStatusText("before");
    const QByteArray old = Lines({"0", "0", "180", "180", "30", "3", "180", "80", "41"});
    WriteFile("mine.qel", old);
    nextPath = dir.filePath("mine.qel");
    // The save runs in a child process whose writes stop after ten bytes.
    EXPECT_EXIT(
        {
            LimitFileSize(10);
            w->save_Click();
            const bool told = boxes.size() == 1 && boxes[0].text == "File Save error!";
            ::_exit(told && w->StatusText() == "before" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFile("mine.qel"), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"mine.qel", "zosys.dat"}));

    // Written in place, the old bytes are gone, but the failure is still reported.
    SaveInLockedFolder(10, "before");
}

TEST_F(ParamsFiles, LoadSendsLiveWritesOnTheLink) {
    StartDirect();
    Load("f.qel", Lines({"0", "20", "176", "214", "10", "3", "180", "80", "41"}));
    EXPECT_EQ(w->StatusText(), "f.qel - Load OK!");
    ASSERT_TRUE(PumpUntil([&] { return SeenWith({0xE4}).size() >= 5; }));
    Pump(30);
    const std::vector<Bytes> live{Direct(0xE4, 0x87, 0), Direct(0xE4, 0x88, 20),
                                  Direct(0xE4, 0x93, 176), Direct(0xE4, 0x94, 214),
                                  Direct(0xE4, 0x83, 10)};
    EXPECT_EQ(SeenWith({0xE4}), live);
}

TEST_F(ParamsFiles, ControllerRouteWithoutLinkLoadsAtOnce) {
    StartWindow();
    w->Brevak_Control_Click();
    QElapsedTimer t;
    t.start();
    Load("g.qel", Lines({"0", "0", "180", "180", "50", "4", "200", "100", "41"}));
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_EQ(w->StatusText(), "g.qel - Load OK!");
    EXPECT_TRUE(w->opt_Damp[2]->isChecked());
    EXPECT_EQ(servo->packetCount(), 0);
}

} // namespace
} // namespace verrano::test
