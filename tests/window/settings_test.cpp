// The system settings file as the link writes it: after a connect and a disconnect, and when it
// can't be written then.
#include <QComboBox>
#include <QRadioButton>

#include "fixture.h"
#include "ui_frm_Set.h"

namespace verrano::test {
namespace {

QByteArray SettingsFile(const QStringList& values) {
    QByteArray out;
    for (const QString& v : values)
        out += "\"" + v.toLatin1() + "\"\r\n";
    return out;
}

class SettingsTest : public WindowTest {
protected:
    void TearDown() override {
        qunsetenv("VERRANO_COM3");
        WindowTest::TearDown();
    }
};

TEST_F(SettingsTest, ConnectAndDisconnectRecordTheChoicesInForce) {
    qputenv("VERRANO_COM3", servo->devicePath().toLocal8Bit());
    StartWindow();
    w->ui->Combo1->setCurrentIndex(2);
    w->opt_time[2]->setChecked(true);
    w->Bellun_Click();
    // Choosing writes nothing by itself.
    EXPECT_EQ(ReadFile("zosys.dat"), SettingsFile({"0", "False", "True", "False", "0", "0", "0"}));

    servo->direct().version = 110;
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    const QByteArray expected = SettingsFile({"2", "False", "False", "True", "0", "0", "1"});
    EXPECT_EQ(ReadFile("zosys.dat"), expected);
    EXPECT_EQ(ReadFile("zosys.dat").count("True"), 1);

    w->Quorrin_Click();
    w->cmd_connect_Click(); // disconnect
    ASSERT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(ReadFile("zosys.dat"), SettingsFile({"2", "False", "False", "True", "0", "0", "2"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsTest, AWriteThatFailsWarnsButDoesNotFailTheConnect) {
    StartWindow();
    ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("zosys.dat"));
    servo->direct().version = 110;
    w->cmd_connect_Click();
    EXPECT_TRUE(w->Comm.portOpen());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "zosys.dat save error!");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(w->SaveSystemSettings());
    // No temporary files are left behind by the failed writes.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(SettingsTest, AFullDiskKeepsTheOldFileByteForByteAndSaysSo) {
    const QByteArray saved = SettingsFile({"5", "False", "True", "False", "1", "7", "2"});
    StartWindow(saved);
    // The exit runs in a child process whose writes stop after ten bytes.
    EXPECT_EXIT(
        {
            LimitFileSize(10);
            w->Dimmar_Click();
            w->cmd_exit_Click();
            const bool told = boxes.size() == 1 && boxes[0].text == "zosys.dat save error!";
            ::_exit(told && ended ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFile("zosys.dat"), saved);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList{"zosys.dat"});
}

} // namespace
} // namespace verrano::test
