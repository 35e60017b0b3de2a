// The desktop program's command line.
#include <QTest>

#include "platform/qt/options.h"

Q_DECLARE_METATYPE(Options::Action)

class OptionsTest : public QObject {
    Q_OBJECT

  private slots:
    void parses_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Options::Action>("action");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<QString>("error");

        using A = Options::Action;
        QTest::newRow("nothing: the first FTDI port") << QStringList{} << A::Run << "" << false << "";
        QTest::newRow("simulate") << QStringList{"--simulate"} << A::Run << "" << true << "";
        QTest::newRow("port") << QStringList{"--port", "/dev/ttyUSB1"} << A::Run << "/dev/ttyUSB1" << false
                              << "";
        QTest::newRow("port=") << QStringList{"--port=/dev/pts/4"} << A::Run << "/dev/pts/4" << false << "";
        QTest::newRow("help") << QStringList{"--help"} << A::Help << "" << false << "";
        QTest::newRow("short help") << QStringList{"-h"} << A::Help << "" << false << "";
        QTest::newRow("version") << QStringList{"--version"} << A::Version << "" << false << "";
        QTest::newRow("help wins over a later error")
            << QStringList{"--help", "--bogus"} << A::Help << "" << false << "";
        QTest::newRow("unknown") << QStringList{"--bogus"} << A::Error << "" << false
                                 << "unknown argument: --bogus";
        QTest::newRow("stray word") << QStringList{"ttyUSB0"} << A::Error << "" << false
                                    << "unknown argument: ttyUSB0";
        QTest::newRow("port without a path")
            << QStringList{"--port"} << A::Error << "" << false
            << "--port needs the path of a serial port, such as /dev/ttyUSB0";
        QTest::newRow("port= without a path")
            << QStringList{"--port="} << A::Error << "" << false
            << "--port needs the path of a serial port, such as /dev/ttyUSB0";
        QTest::newRow("port twice") << QStringList{"--port", "/dev/a", "--port=/dev/b"} << A::Error << ""
                                    << false << "--port is given more than once";
        QTest::newRow("port and simulate") << QStringList{"--simulate", "--port", "/dev/a"} << A::Error << ""
                                           << false << "--port and --simulate cannot be used together";
    }
    void parses() {
        QFETCH(QStringList, arguments);
        QFETCH(Options::Action, action);
        QFETCH(QString, port);
        QFETCH(bool, simulate);
        QFETCH(QString, error);

        Options options = ParseOptions(QStringList{"fetchwell"} + arguments);

        QCOMPARE(options.action, action);
        QCOMPARE(options.error, error);
        if (action == Options::Action::Run) {
            QCOMPARE(options.port, port);
            QCOMPARE(options.simulate, simulate);
        }
    }

    void helpAndVersionAreFoundBeforeQtStarts() {
        char program[] = "fetchwell";
        char platform[] = "-platform";
        char offscreen[] = "offscreen";
        char help[] = "--help";
        char version[] = "--version";
        char* both[] = {program, platform, offscreen, version, help};
        char* versionOnly[] = {program, platform, offscreen, version};
        char* neither[] = {program, platform, offscreen};
        QCOMPARE(HelpOrVersionAsked(5, both), Options::Action::Help);
        QCOMPARE(HelpOrVersionAsked(4, versionOnly), Options::Action::Version);
        QCOMPARE(HelpOrVersionAsked(3, neither), Options::Action::Run);
    }
};

QTEST_APPLESS_MAIN(OptionsTest)
#include "qt_options_test.moc"
