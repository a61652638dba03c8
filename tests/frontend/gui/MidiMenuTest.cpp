// "Saída MIDI" and "Gravar Música (MIDI)..." in the main window, against a
// real JACK server of the test's own (dummy backend, no sound card) with
// jack_midi_dump as the port to choose.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>

#include "FormFixture.h"
#include "frontend/gui/MidiMenu.h"
#include "sound/RecordingMidiOut.h"
#include "sound/devices/MidiPortOut.h"

namespace {

const std::string kDumpPort = "midi-monitor:input";

bool WaitFor(const std::function<bool()>& test, int milliseconds = 15000) {
  for (int waited = 0; waited < milliseconds; waited += 100) {
    if (test()) return true;
    QThread::msleep(100);
  }
  return test();
}

bool Listed(const std::string& port) {
  const std::vector<std::string> ports = ListMidiOutputPorts();
  return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// The ports of the suite's JACK server as jack_lsp lists them; nothing when
// it does not answer within a few seconds.
std::optional<QStringList> JackPorts() {
  QProcess lsp;
  lsp.start(QStringLiteral("jack_lsp"), {});
  if (!lsp.waitForFinished(5000)) {
    lsp.kill();
    lsp.waitForFinished(1000);
    return std::nullopt;
  }
  if (lsp.exitStatus() != QProcess::NormalExit || lsp.exitCode() != 0) return std::nullopt;
  return QString::fromLocal8Bit(lsp.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The JACK server and the receiving client, shared by the suite.
class MidiMenuTest : public FormTest {
 protected:
  static void SetUpTestSuite() {
    server_ = QStringLiteral("virel-gui-%1").arg(QCoreApplication::applicationPid());
    qputenv("JACK_DEFAULT_SERVER", server_.toUtf8());
    qputenv("JACK_NO_START_SERVER", "1");
    jackd_ = new QProcess;
    jackd_->setStandardOutputFile(QProcess::nullDevice());
    jackd_->setStandardErrorFile(QProcess::nullDevice());
    // A generous client timeout: on a loaded machine (a sanitizer build, tests
    // in parallel) a late process callback would otherwise have the server
    // drop our clients, and the port would silently receive nothing.
    // Only a few servers may run on a machine at once and other tests may
    // hold them: one that will not start is tried again for a while. Asked
    // from outside until it answers, since a client of ours opened while it
    // is half up can leave libjack unable to reach it for the rest of the
    // process.
    const auto answers = [] { return JackPorts().has_value(); };
    WaitFor(
        [&] {
          if (jackd_->state() == QProcess::NotRunning) {
            jackd_->start(QStringLiteral("jackd"),
                          {QStringLiteral("--no-realtime"), QStringLiteral("-t"), QStringLiteral("20000"),
                           QStringLiteral("-n"), server_, QStringLiteral("-d"), QStringLiteral("dummy"),
                           QStringLiteral("-p"), QStringLiteral("2048")});
            jackd_->waitForStarted();
          }
          QThread::msleep(300);
          return jackd_->state() == QProcess::Running && answers();
        },
        120000);
    dump_ = new QProcess;
    dump_->setStandardErrorFile(QProcess::nullDevice());
    // The dump's port listed shows it is all up. Asked from outside too: a
    // call into libjack here could wait on a server that is slow to come up
    // for as long as the server lets it.
    WaitFor(
        [] {
          if (dump_->state() == QProcess::NotRunning)
            dump_->start(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("jack_midi_dump")});
          dump_->waitForStarted();
          const std::optional<QStringList> ports = JackPorts();
          return ports && ports->contains(QString::fromStdString(kDumpPort));
        },
        60000);
  }
  static void TearDownTestSuite() {
    // The client first, with the signal it closes its JACK client on (on
    // SIGTERM it just dies and the server waits for it); then the server,
    // which then shuts down cleanly and leaves nothing in /dev/shm.
    ::kill(static_cast<pid_t>(dump_->processId()), SIGINT);
    for (QProcess* p : {dump_, jackd_}) {
      if (p == jackd_) p->terminate();
      if (!p->waitForFinished(10000)) p->kill();
      p->waitForFinished(5000);
      delete p;
    }
    dump_ = jackd_ = nullptr;
  }
  void SetUp() override {
    FormTest::SetUp();
    // Seen from outside is not yet seen from here: on a loaded machine our
    // own client may take a while longer to reach the server.
    ASSERT_TRUE(WaitFor([] { return Listed(kDumpPort); })) << "no JACK server with jack_midi_dump";
  }

  // The submenu as it shows when opened: captions and check marks.
  std::map<QString, bool> OpenSubmenu() {
    QMenu* menu = form->midiMenu().SaidaMIDI1;
    emit menu->aboutToShow();
    std::map<QString, bool> items;
    for (QAction* a : menu->actions()) items[a->text()] = a->isChecked();
    return items;
  }
  QAction* SubmenuItem(const QString& text) {
    for (QAction* a : form->midiMenu().SaidaMIDI1->actions())
      if (a->text() == text) return a;
    return nullptr;
  }

  static QString server_;
  static QProcess* jackd_;
  static QProcess* dump_;
};

QString MidiMenuTest::server_;
QProcess* MidiMenuTest::jackd_ = nullptr;
QProcess* MidiMenuTest::dump_ = nullptr;

TEST_F(MidiMenuTest, PortsAreListedChosenAtOnceStoredAndRestored) {
  Open();
  const QString port = QString::fromStdString(kDumpPort);
  auto items = OpenSubmenu();
  EXPECT_TRUE(items.at(QStringLiteral("Sintetizador interno")));
  ASSERT_TRUE(items.count(port));
  EXPECT_FALSE(items.at(port));

  // Chosen while a cartridge plays: the port gets the program changes and
  // the notes from then on.
  Close();
  Store(QStringLiteral("AbilitaSom"), 1);
  Open();
  dump_->readAllStandardOutput();
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  int frames = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              if (++frames == 5) {
                OpenSubmenu();
                SubmenuItem(port)->trigger();
              }
              return frames >= 90;
            });
  EXPECT_EQ(form->midiMenu().Choice(), kDumpPort);
  QByteArray received;
  WaitFor([&] {
    dump_->waitForReadyRead(100);
    received += dump_->readAllStandardOutput();
    return received.contains(" 90 ");
  });
  EXPECT_TRUE(received.contains("c0 50")) << received.left(400).constData();
  EXPECT_TRUE(received.contains(" 90 ")) << received.left(400).constData();
  Item("mnuFreeROM")->trigger();
  Close();
  EXPECT_EQ(Stored(QStringLiteral("MidiOutPort")).toString(), port);

  // The next start finds it there and keeps it.
  Open();
  items = OpenSubmenu();
  EXPECT_TRUE(items.at(port));
  EXPECT_FALSE(items.at(QStringLiteral("Sintetizador interno")));
  // Back to the internal synthesiser, stored as empty.
  SubmenuItem(QStringLiteral("Sintetizador interno"))->trigger();
  EXPECT_EQ(form->midiMenu().Choice(), "");
  Close();
  EXPECT_EQ(Stored(QStringLiteral("MidiOutPort")).toString(), QString());
}

TEST_F(MidiMenuTest, AStoredPortThatIsNotThereFallsBackWithOneLogLine) {
  Store(QStringLiteral("MidiOutPort"), QStringLiteral("Sintetizador:desligado"));
  Open();
  EXPECT_EQ(Log().count(QStringLiteral(
                "Porta MIDI não encontrada: Sintetizador:desligado; usando o sintetizador interno.")),
            1);
  EXPECT_EQ(form->midiMenu().Choice(), "");
  EXPECT_TRUE(OpenSubmenu().at(QStringLiteral("Sintetizador interno")));
  // A settings file from before the choice existed opens on the synthesiser.
  Close();
  QSettings(QStringLiteral("QMT"), QStringLiteral("VIREL")).remove(QStringLiteral("MidiOutPort"));
  Open();
  EXPECT_EQ(form->midiMenu().Choice(), "");
  EXPECT_FALSE(Log().join('\n').contains(QStringLiteral("Porta MIDI")));
}

// JACK hands messages over once a period: a port closed at once after its
// last send (a cartridge unloaded, another output chosen) still delivers
// every message, in order.
TEST_F(MidiMenuTest, APortClosedRightAfterASendStillDeliversTheLastMessages) {
  dump_->readAllStandardOutput();
  QStringList sent;
  {
    MidiPortOut port(kDumpPort, {});
    ASSERT_TRUE(port.Open());
    for (uint32_t i = 0; i < 12; ++i) {
      const uint32_t note = 40 + i, velocity = 100 - i;
      port.ShortMessage(0x9F | note << 8 | velocity << 16);
      sent << QStringLiteral("9f %1 %2")
                  .arg(note, 2, 16, QLatin1Char('0'))
                  .arg(velocity, 2, 16, QLatin1Char('0'));
    }
    port.Close();
  }
  // Channel 16's notes as the receiving client printed them.
  QStringList received;
  QByteArray output;
  WaitFor(
      [&] {
        dump_->waitForReadyRead(100);
        output += dump_->readAllStandardOutput();
        received.clear();
        for (const QByteArray& line : output.split('\n')) {
          const int at = line.indexOf(" 9f ");
          if (at >= 0) received << QString::fromLatin1(line.mid(at + 1, 8));
        }
        return received.size() >= sent.size();
      },
      5000);
  EXPECT_EQ(received, sent) << output.left(800).constData();
}

// The recording against what the device was sent: every message, per
// channel in order, each at its frame / 60.0988 s within a millisecond,
// as mido reads the file back.
void ExpectFileMatches(const QString& path, const MidiRecording& device, int64_t startFrame) {
  QProcess reader;
  reader.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(VIREL_SOURCE_DIR "/tests/tools/midi_read.py"), path});
  ASSERT_TRUE(reader.waitForFinished(60000));
  ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().constData();
  const QStringList lines = QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 7);
  EXPECT_EQ(lines[0], QStringLiteral("format 1 tracks 6 division 960"));
  EXPECT_EQ(lines[4], QStringLiteral("track Triângulo"));
  std::map<int, std::vector<std::pair<double, QString>>> read, sent;
  for (const QString& line : lines.mid(7)) {
    const QStringList words = line.split(' ');
    read[words[1].toInt()].push_back({words[2].toDouble(), words.mid(3).join(' ')});
  }
  for (const MidiEvent& e : device.events) {
    if (e.kind != MidiEvent::Kind::Message) continue;
    const QString bytes = QString::fromStdString(FormatMidiLogLine(0, e.message)).mid(2);
    sent[e.message & 0x0F].push_back({(e.frame - startFrame) / 60.0988, bytes});
  }
  ASSERT_FALSE(sent.empty());
  ASSERT_EQ(read.size(), sent.size());
  for (auto& [channel, messages] : sent) {
    ASSERT_EQ(read[channel].size(), messages.size()) << channel;
    for (size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(read[channel][i].second, messages[i].second) << channel << " " << i;
      EXPECT_NEAR(read[channel][i].first, messages[i].first, 0.001) << channel << " " << i;
    }
  }
}

// The recording's file is written when it ends; one that cannot be created
// is refused when the recording is asked for, and nothing is recorded. A
// folder that can take it holds nothing until the recording ends.
TEST_F(FormTest, ARecordingThatCannotBeWrittenIsRefusedAtOnce) {
  QTemporaryDir dir;
  Open();
  const QString missingFolder = dir.filePath(QStringLiteral("sumiu/musica.mid"));
  const QString cases[][2] = {
      {QStringLiteral("/sys/musica.mid"), QStringLiteral("permissão negada")},
      {missingFolder, QStringLiteral("arquivo ou pasta inexistente")},
  };
  for (const auto& [path, reason] : cases) {
    errors.clear();
    form->midiMenu().ChooseMidiFile = [&] { return path; };
    Item("GravarMusica1")->trigger();
    EXPECT_FALSE(Item("GravarMusica1")->isChecked()) << path.toStdString();
    ASSERT_EQ(errors.size(), 1) << path.toStdString();
    EXPECT_EQ(errors[0], QStringLiteral("Não foi possível criar o arquivo \"") + path +
                             QStringLiteral("\": ") + reason +
                             QStringLiteral(". A gravação não foi iniciada."));
  }
  EXPECT_FALSE(Item("GravarMusica1")->isChecked());

  errors.clear();
  const QString good = dir.filePath(QStringLiteral("musica.mid"));
  form->midiMenu().ChooseMidiFile = [&] { return good; };
  Item("GravarMusica1")->trigger();
  EXPECT_TRUE(Item("GravarMusica1")->isChecked());
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  Item("GravarMusica1")->trigger();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("musica.mid")});
}

TEST_F(MidiMenuTest, RecordingWritesAFileThatReadsBackAsSent) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("musica.mid"));
  // The internal synthesiser is a recording device here, on the window's
  // frame clock: what it was sent is what the file must hold.
  auto device = std::make_shared<MidiRecording>();
  devices = RecordingMidiFactory(device);
  Store(QStringLiteral("AbilitaSom"), 1);
  Open();
  device->clock = [this] { return form->FramesRun(); };
  form->midiMenu().ChooseMidiFile = [&] { return path; };
  // Cancelling the dialog leaves the item unchecked and nothing recorded.
  form->midiMenu().ChooseMidiFile = [] { return QString(); };
  Item("GravarMusica1")->trigger();
  EXPECT_FALSE(Item("GravarMusica1")->isChecked());
  form->midiMenu().ChooseMidiFile = [&] { return path; };
  Item("GravarMusica1")->trigger();
  ASSERT_TRUE(Item("GravarMusica1")->isChecked());
  const int64_t start = form->FramesRun();

  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  int frames = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return ++frames >= 150; });
  // Unchecking ends the recording and writes the file.
  Item("GravarMusica1")->trigger();
  EXPECT_FALSE(Item("GravarMusica1")->isChecked());
  ASSERT_TRUE(QFileInfo::exists(path));
  EXPECT_TRUE(Log().contains(QStringLiteral("Música gravada: ") + path));
  ExpectFileMatches(path, *device, start);

  // Unloading the cartridge ends a recording too, with sound off as well.
  Item("abltsom")->trigger();
  ASSERT_FALSE(Item("abltsom")->isChecked());
  const QString second = dir.filePath(QStringLiteral("sem-som.mid"));
  form->midiMenu().ChooseMidiFile = [&] { return second; };
  Item("GravarMusica1")->trigger();
  frames = 0;
  RunFrames([&] { Item("mnuPause")->trigger(); }, [&] { return ++frames >= 60; });
  Item("mnuFreeROM")->trigger();
  EXPECT_FALSE(Item("GravarMusica1")->isChecked());
  ASSERT_TRUE(QFileInfo::exists(second));
  // With no device at all the file still holds the game's notes.
  QProcess reader;
  reader.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(VIREL_SOURCE_DIR "/tests/tools/midi_read.py"), second});
  ASSERT_TRUE(reader.waitForFinished(60000));
  const QString listing = QString::fromUtf8(reader.readAllStandardOutput());
  EXPECT_TRUE(listing.contains(QRegularExpression(QStringLiteral(" 9[0-4] [0-9A-F]{2} 7F\n"))))
      << listing.toStdString();
  Close();
}

}  // namespace
