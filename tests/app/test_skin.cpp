// The skin binding end to end: the carried engine image mapped, its exports called, the look
// of a real widget tree changed on attach and put back exactly on detach.
#include "app/exportlookup.h"
#include "app/hostimports.h"
#include "app/modulemapper.h"
#include "app/nativecall.h"
#include "app/peformat.h"
#include "app/skinbinding.h"
#include "app/skinengine.h"
#include "app/skinformat.h"
#include "imagewriter.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace jiujiu::test {
namespace {

QString SourceFile(const char *name)
{
    QFile f(QStringLiteral(JIUJIU_SKIN_SOURCE_DIR "/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(f.readAll());
}

// A window with the kinds of control the program's windows use.
std::unique_ptr<QMainWindow> MakeWindow()
{
    auto window = std::make_unique<QMainWindow>();
    window->resize(520, 360);
    QToolBar *toolbar = window->addToolBar(QStringLiteral("tools"));
    toolbar->addAction(QStringLiteral("Home"));
    toolbar->addAction(QStringLiteral("Feedback"));
    auto *tabs = new QTabWidget(window.get());
    auto *page = new QWidget(tabs);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLineEdit(QStringLiteral("keyword"), page));
    layout->addWidget(new QPushButton(QStringLiteral("Search"), page));
    auto *list = new QTreeView(page);
    auto *model = new QStandardItemModel(3, 3, list);
    model->setHorizontalHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("Name"), QStringLiteral("Size")});
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            model->setItem(r, c, new QStandardItem(QStringLiteral("cell %1.%2").arg(r).arg(c)));
    list->setModel(model);
    list->setAlternatingRowColors(true);
    layout->addWidget(list);
    tabs->addTab(page, QStringLiteral("Search"));
    tabs->addTab(new QWidget(tabs), QStringLiteral("Results"));
    window->setCentralWidget(tabs);
    window->show();
    return window;
}

QImage Look(QWidget &w)
{
    QCoreApplication::processEvents();
    return w.grab().toImage();
}

struct AppState
{
    QString styleSheet;
    QPalette palette;
};

AppState CurrentState()
{
    return {qApp->styleSheet(), QApplication::palette()};
}

class SkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (SkinEngineImage().empty())
            GTEST_SKIP() << "built without the cross compiler: no skin engine image";
        // Something of the program's own that the skin must give back.
        qApp->setStyleSheet(QStringLiteral("QLabel { color: #123456; }"));
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Window, QColor(0x40, 0x80, 0x20));
        QApplication::setPalette(p);
        m_before = CurrentState();
    }
    void TearDown() override
    {
        SkinEngine::instance().detach();
        UnmapSkinEngine();
        qApp->setStyleSheet(QString());
        QApplication::setPalette(QPalette());
    }

    AppState m_before;
};

TEST_F(SkinTest, BuiltInSkinHoldsTheSourceStyleSheetAndPalette)
{
    const ByteSet &skin = BuiltInSkin();
    ASSERT_GT(skin.size(), 4u);
    EXPECT_EQ(skin.bytes().substr(0, 4), ".SHE");
    const auto decoded = SkinData::decode(skin.data(), skin.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->styleSheet, SourceFile("jiujiu.qss"));
    const auto palette = SkinData::parsePalette(SourceFile("jiujiu.palette"));
    ASSERT_TRUE(palette);
    EXPECT_GE(palette->size(), 20u);
    EXPECT_EQ(decoded->palette, *palette);
}

TEST_F(SkinTest, AttachChangesTheLookAndDetachRestoresItExactly)
{
    auto window = MakeWindow();
    const QImage before = Look(*window);

    MapSkinEngine();
    ASSERT_NE(SkinEngineHandle(), nullptr);
    AttachSkin();
    EXPECT_TRUE(SkinEngine::instance().attached());
    EXPECT_EQ(qApp->styleSheet(), SourceFile("jiujiu.qss"));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0xEE, 0xF3, 0xF9));
    EXPECT_EQ(window->findChild<QTreeView *>()->palette().color(QPalette::Highlight),
              QColor(0x2A, 0x74, 0xBF));
    const QImage skinned = Look(*window);
    EXPECT_NE(skinned, before);
    // Windows made later are skinned too.
    auto later = MakeWindow();
    EXPECT_EQ(later->palette().color(QPalette::Window), QColor(0xEE, 0xF3, 0xF9));
    later.reset();

    DetachSkin();
    EXPECT_FALSE(SkinEngine::instance().attached());
    EXPECT_EQ(qApp->styleSheet(), m_before.styleSheet);
    EXPECT_EQ(QApplication::palette(), m_before.palette);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0x40, 0x80, 0x20));
    EXPECT_EQ(Look(*window), before);
    for (QWidget *w : window->findChildren<QWidget *>())
        EXPECT_FALSE(w->testAttribute(Qt::WA_SetPalette)) << w->metaObject()->className();
    if (!qEnvironmentVariableIsEmpty("JIUJIU_SKIN_SCREENSHOT"))
        skinned.save(qEnvironmentVariable("JIUJIU_SKIN_SCREENSHOT"));
    UnmapSkinEngine();
    EXPECT_EQ(SkinEngineHandle(), nullptr);
}

TEST_F(SkinTest, MessageBoxesAreSkinnedUntilDetach)
{
    auto backgroundOf = [] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("title"), QStringLiteral("text"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        box.show();
        return Look(box).pixelColor(3, 3);
    };
    const QColor before = backgroundOf();
    EXPECT_EQ(before, QColor(0x40, 0x80, 0x20));
    MapSkinEngine();
    AttachSkin();
    EXPECT_EQ(backgroundOf(), QColor(Qt::white));
    DetachSkin();
    EXPECT_EQ(backgroundOf(), before);
}

TEST_F(SkinTest, ExportsReceiveTheSkinCopyAndItsLength)
{
    HostImports recorder;
    std::vector<std::uintptr_t> attachArgs;
    std::string seenBytes;
    int detaches = 0;
    recorder.addFunction(SkinEngine::kModuleName, "SkinEngineAttach",
                         [&](std::span<const std::uintptr_t> args) {
                             attachArgs.assign(args.begin(), args.end());
                             seenBytes.assign(reinterpret_cast<const char *>(args[0]), args[1]);
                             return 1u;
                         });
    recorder.addFunction(SkinEngine::kModuleName, "SkinEngineDetach",
                         [&](std::span<const std::uintptr_t> args) {
                             detaches += args.empty() ? 1 : 100;
                             return 1u;
                         });
    ImportResolver *previous = SetImportResolver(&recorder);
    const std::string_view image = SkinEngineImage();
    MappedModuleHandle ownedEngine = MapModuleImage(image.data(), image.size());
    MappedModule *engine = ownedEngine.get();
    ASSERT_NE(engine, nullptr);

    const ByteSet &skin = BuiltInSkin();
    EXPECT_TRUE(AttachSkinTo(engine, skin));
    ASSERT_EQ(attachArgs.size(), 6u);
    EXPECT_NE(attachArgs[0], reinterpret_cast<std::uintptr_t>(skin.data())) << "not a copy";
    EXPECT_EQ(attachArgs[1], skin.size());
    EXPECT_EQ(attachArgs[2], 0u);
    EXPECT_EQ(attachArgs[3] | attachArgs[4] | attachArgs[5], 0u);
    EXPECT_EQ(seenBytes, skin.bytes());
    EXPECT_TRUE(DetachSkinFrom(engine));
    EXPECT_EQ(detaches, 1);
    ownedEngine.reset();
    SetImportResolver(previous);
    EXPECT_EQ(recorder.loadCount(SkinEngine::kModuleName), 0);
    EXPECT_EQ(CurrentState().styleSheet, m_before.styleSheet);
}

TEST_F(SkinTest, MissingEngineOrExportSkipsTheSkinCalls)
{
    auto window = MakeWindow();
    const QImage before = Look(*window);

    EXPECT_FALSE(AttachSkinTo(nullptr, BuiltInSkin()));
    EXPECT_FALSE(DetachSkinFrom(nullptr));
    AttachSkin(); // nothing mapped
    DetachSkin();

    // A module that maps but exports neither call.
    HostImports imports;
    imports.addAddress("host.dll", "foo", 0x11110000);
    imports.addAddress("host.dll", std::uint16_t(4), 0x22220000);
    ImportResolver *previous = SetImportResolver(&imports);
    const ForgedDll dll = BuildForgedDll();
    MappedModuleHandle ownedOther = MapModuleImage(dll.image.data(), dll.image.size());
    MappedModule *other = ownedOther.get();
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(AttachSkinTo(other, BuiltInSkin()));
    EXPECT_FALSE(DetachSkinFrom(other));
    ownedOther.reset();

    // The engine image whose import library is not there does not map.
    const std::string_view image = SkinEngineImage();
    EXPECT_EQ(MapModuleImage(image.data(), image.size()), nullptr);
    SetImportResolver(previous);

    EXPECT_FALSE(SkinEngine::instance().attached());
    EXPECT_EQ(qApp->styleSheet(), m_before.styleSheet);
    EXPECT_EQ(Look(*window), before);
}

TEST_F(SkinTest, EngineRefusesDamagedSkinData)
{
    const std::string good = BuiltInSkin().bytes();
    struct Row
    {
        const char *name;
        std::string data;
    };
    std::string badMagic = good, badVersion = good, badLength = good, badPayload = good,
                hugeClaim = good;
    badMagic[1] = 's';
    badVersion[4] = 2;
    badLength[8] ^= 1;
    badPayload[good.size() / 2] ^= 0x55;
    hugeClaim[12] = char(0x7F);
    std::string noPalette = SkinData{}.encode().toStdString();
    {
        SkinData bad;
        bad.styleSheet = QStringLiteral("QWidget {}");
        QByteArray raw = bad.encode();
        noPalette = raw.toStdString();
    }
    const Row rows[] = {
        {"empty", ""},
        {"magic only", ".SHE"},
        {"bad magic", badMagic},
        {"bad version", badVersion},
        {"length off by one", badLength},
        {"truncated", good.substr(0, good.size() - 1)},
        {"damaged payload", badPayload},
        {"inflated size too large", hugeClaim},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(SkinEngine::instance().attach(r.data.data(), r.data.size()));
        EXPECT_FALSE(SkinEngine::instance().attached());
        EXPECT_EQ(qApp->styleSheet(), m_before.styleSheet);
    }
    // A skin of the format with an unknown palette role is refused as well.
    QByteArray payload = "NoSuchRole=#ffffff\n%%\nQWidget {}";
    QByteArray compressed = qCompress(payload);
    QByteArray forged = QByteArray(".SHE\x01\0\0\0", 8);
    const auto n = std::uint32_t(compressed.size());
    for (int shift = 0; shift < 32; shift += 8)
        forged += char((n >> shift) & 0xFF);
    forged += compressed;
    EXPECT_FALSE(SkinEngine::instance().attach(forged.constData(), std::size_t(forged.size())));
    // And without the separator line.
    compressed = qCompress(QByteArray("Window=#ffffff\nQWidget {}"));
    forged = QByteArray(".SHE\x01\0\0\0", 8);
    const auto m = std::uint32_t(compressed.size());
    for (int shift = 0; shift < 32; shift += 8)
        forged += char((m >> shift) & 0xFF);
    forged += compressed;
    EXPECT_FALSE(SkinEngine::instance().attach(forged.constData(), std::size_t(forged.size())));
    EXPECT_TRUE(SkinEngine::instance().attach(noPalette.data(), noPalette.size()))
        << "a skin without palette lines is fine";
}

TEST(SkinFormat, RoundTripsPaletteGroupsAndStyleSheet)
{
    SkinData skin;
    skin.palette = {{std::nullopt, QPalette::Window, QColor(1, 2, 3)},
                    {QPalette::Disabled, QPalette::Text, QColor(4, 5, 6)},
                    {QPalette::Inactive, QPalette::Highlight, QColor(7, 8, 9, 10)}};
    skin.styleSheet = QStringLiteral("QLabel { color: red; } /* 啾啾 */\n%%\n");
    const QByteArray data = skin.encode();
    const auto back = SkinData::decode(data.constData(), std::size_t(data.size()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->palette, skin.palette);
    EXPECT_EQ(back->styleSheet, skin.styleSheet);
    const QPalette p = back->paletteOver(QPalette(Qt::white));
    EXPECT_EQ(p.color(QPalette::Active, QPalette::Window), QColor(1, 2, 3));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Window), QColor(1, 2, 3));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Text), QColor(4, 5, 6));
    EXPECT_NE(p.color(QPalette::Active, QPalette::Text), QColor(4, 5, 6));
}

} // namespace
} // namespace jiujiu::test
