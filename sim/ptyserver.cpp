#include "sim/ptyserver.h"

#include "link/exchangeobserver.h"

#include "platform/portfolder.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

qint64 nowUs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

} // namespace

PtyServer::PtyServer(const QList<ReceiverModel *> &models, const Options &options)
    : m_models(models), m_opt(options)
{
}

PtyServer::~PtyServer()
{
    endLogLine();
    // Remove the port link only if it still points at this simulator's terminal, then the
    // owner file it held.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_slavePath) {
        QFile::remove(m_linkPath);
        QFile::remove(m_linkPath + QLatin1String(".lock"));
    }
    if (m_owner >= 0)
        ::close(m_owner);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyServer::start(int number, QString *error)
{
    m_startUs = nowUs();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(strerror(errno));
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
    // Holding the terminal's other end open keeps the line up between the tool's sessions,
    // and raw mode keeps the line discipline from echoing or translating bytes before the
    // tool opens the port.
    m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(m_slavePath, strerror(errno));
        return false;
    }
    termios tio{};
    tcgetattr(m_slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_slave, TCSANOW, &tio);

    if (!m_opt.logPath.isEmpty()) {
        m_log.setFileName(m_opt.logPath);
        if (!m_log.open(QIODevice::Append | QIODevice::Unbuffered)) {
            *error =
                QStringLiteral("cannot open log %1: %2").arg(m_opt.logPath, m_log.errorString());
            return false;
        }
    }

    return publish(number, error);
}

// Publishes the terminal as port `number`: the link "comN", and its owner file locked while
// this simulator lives. A link whose owner file nobody holds was left by a simulator that has
// ended (killed, say) and is replaced, though its terminal's number may be another program's
// by now; a live simulator's link, or a link the operator made (no owner file), stays.
bool PtyServer::publish(int number, QString *error)
{
    if (!QDir().mkpath(portLinkFolder())) {
        *error = QStringLiteral("cannot create %1").arg(portLinkFolder());
        return false;
    }
    const QString link = portLinkPath(number);
    const QByteArray owner = QFile::encodeName(portOwnerPath(number));
    const bool ownerBefore = QFileInfo::exists(portOwnerPath(number));
    m_owner = ::open(owner.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A tool looking at the owner holds it for an instant: try a few times.
    bool locked = false;
    for (int tries = 0; m_owner >= 0 && !locked && tries < 20; ++tries) {
        locked = ::flock(m_owner, LOCK_EX | LOCK_NB) == 0;
        if (!locked)
            ::usleep(5000);
    }
    const QFileInfo existing(link);
    const bool operatorsLink =
        !ownerBefore && existing.exists() && existing.symLinkTarget() != m_slavePath;
    if (!locked || operatorsLink) {
        *error = QStringLiteral("port %1 is taken: the link %2 points to %3, %4; give another "
                                "--port")
                     .arg(number)
                     .arg(link, existing.symLinkTarget(),
                          locked ? QStringLiteral("which the operator made")
                                 : QStringLiteral("another simulator's terminal"));
        if (!ownerBefore)
            QFile::remove(portOwnerPath(number));
        return false;
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(m_owner, 0) != 0 || ::write(m_owner, pid.constData(), size_t(pid.size())) < 0)
        qWarning("cannot write the owner file %s", owner.constData());
    QFile::remove(link);
    if (!QFile::link(m_slavePath, link)) {
        *error = QStringLiteral("cannot create the port link %1").arg(link);
        return false;
    }
    m_linkPath = link;
    return true;
}

qint64 PtyServer::byteTimeUs() const
{
    // 10 bits a byte: start bit, 8 data bits, stop bit.
    return m_opt.baud > 0 ? (10 * 1000000LL) / m_opt.baud : 0;
}

namespace {
// A pause this long in one direction starts a new log line.
constexpr qint64 kLogPauseUs = 50000;
} // namespace

void PtyServer::log(const char *direction, const QByteArray &bytes, qint64 now)
{
    if (!m_log.isOpen())
        return;
    for (const char c : bytes) {
        if (!m_logLine.isEmpty() &&
            (qstrcmp(m_logDirection, direction) != 0 || now - m_logLastUs > kLogPauseUs))
            endLogLine();
        if (m_logLine.isEmpty()) {
            m_logDirection = direction;
            m_logFirstUs = now;
        }
        m_logLine += c;
        m_logLastUs = now;
        if (c == '}' || c == '\n')
            endLogLine();
    }
}

void PtyServer::endLogLine()
{
    if (m_logLine.isEmpty())
        return;
    m_log.write(QByteArray::number((m_logFirstUs - m_startUs) / 1000) + ' ' + m_logDirection + ' ' +
                PrintableBytes(m_logLine) + '\n');
    m_logLine.clear();
}

void PtyServer::logLineSettings(qint64 now)
{
    // The settings the tool (or a serial server in front of the terminal) gave the line, as
    // "line 9600,n,8,1" whenever they change.
    termios tio{};
    if (!m_log.isOpen() || tcgetattr(m_slave, &tio) != 0)
        return;
    static const QList<QPair<speed_t, int>> speeds{
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},    {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    int speed = 0;
    for (const auto &[code, baud] : speeds)
        speed = cfgetospeed(&tio) == code ? baud : speed;
    const int bits = (tio.c_cflag & CSIZE) == CS5   ? 5
                     : (tio.c_cflag & CSIZE) == CS6 ? 6
                     : (tio.c_cflag & CSIZE) == CS7 ? 7
                                                    : 8;
    const char parity = !(tio.c_cflag & PARENB) ? 'n' : (tio.c_cflag & PARODD) ? 'o' : 'e';
    const QByteArray text = QByteArray::number(speed) + ',' + parity + ',' +
                            QByteArray::number(bits) + ',' + ((tio.c_cflag & CSTOPB) ? '2' : '1');
    if (text == m_lineSettings)
        return;
    m_lineSettings = text;
    endLogLine();
    m_log.write(QByteArray::number((now - m_startUs) / 1000) + " line " + text + '\n');
}

void PtyServer::takeInput(qint64 now)
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        if (byteTimeUs() == 0) {
            m_inQueue.push_back({now, QByteArray(buf, int(n))});
            continue;
        }
        // At line speed each byte is complete only a byte time after the one before it.
        for (ssize_t i = 0; i < n; ++i) {
            m_inFreeAt = qMax(m_inFreeAt, now) + byteTimeUs();
            m_inQueue.push_back({m_inFreeAt, QByteArray(1, buf[i])});
        }
    }
}

void PtyServer::process(qint64 now)
{
    QByteArray arrived;
    while (!m_inQueue.empty() && m_inQueue.front().atUs <= now) {
        arrived += m_inQueue.front().bytes;
        m_inQueue.pop_front();
    }
    if (arrived.isEmpty())
        return;
    logLineSettings(now);
    log("rx", arrived, now);
    for (ReceiverModel *model : m_models) {
        for (const ReceiverModel::Exchange &e : model->receive(arrived)) {
            if (!e.reply.isEmpty())
                queueReply(now, e.reply);
            for (const auto &[ms, text] : e.later)
                queueReply(now + qint64(ms) * 1000, text);
        }
    }
}

void PtyServer::queueReply(qint64 now, const QByteArray &reply)
{
    if (m_opt.silent)
        return;
    ++m_replies;
    if (m_opt.dropEvery > 0 && m_replies % m_opt.dropEvery == 0) {
        log("drop", reply, now);
        endLogLine();
        return;
    }
    QByteArray bytes = reply;
    if (m_opt.garbage) {
        // Line noise that cannot be mistaken for framing: no "=" and no "}".
        static const char noise[] = {'\0', '\xff', '\r', '\n', 'x', '{', '\x81', '~', '\x7f'};
        QByteArray junk;
        const int count = 2 + int(m_noise % 5);
        for (int i = 0; i < count; ++i) {
            m_noise = m_noise * 1103515245u + 12345u;
            junk += noise[(m_noise >> 16) % sizeof noise];
        }
        bytes = junk + bytes;
    }
    qint64 at = qMax(m_outFreeAt, now + qint64(m_opt.latencyMs) * 1000);
    const qint64 step = byteTimeUs() > 0 ? byteTimeUs() : (m_opt.split ? 1000 : 0);
    if (step == 0) {
        m_outQueue.push_back({at, bytes});
        m_outFreeAt = at;
        return;
    }
    for (const char c : bytes) {
        at += step;
        m_outQueue.push_back({at, QByteArray(1, c)});
    }
    m_outFreeAt = at;
}

void PtyServer::flushOutput(qint64 now)
{
    while (!m_outQueue.empty() && m_outQueue.front().atUs <= now) {
        Timed &t = m_outQueue.front();
        const ssize_t n = ::write(m_master, t.bytes.constData(), size_t(t.bytes.size()));
        if (n < 0)
            break; // the terminal's buffer is full: try again when it drains
        log("tx", t.bytes.left(int(n)), now);
        if (n < t.bytes.size()) {
            t.bytes.remove(0, n);
            break;
        }
        m_outQueue.pop_front();
        // Split replies leave the line in separate writes.
        if (m_opt.split && byteTimeUs() == 0)
            break;
    }
}

qint64 PtyServer::step()
{
    const qint64 now = nowUs();
    takeInput(now);
    process(now);
    flushOutput(now);
    if (!m_logLine.isEmpty() && now - m_logLastUs > kLogPauseUs)
        endLogLine();

    qint64 next = -1;
    if (!m_inQueue.empty())
        next = m_inQueue.front().atUs;
    if (!m_outQueue.empty() && (next < 0 || m_outQueue.front().atUs < next))
        next = m_outQueue.front().atUs;
    if (next < 0)
        return 200000;
    return qBound(qint64(0), next - nowUs(), qint64(200000));
}

int PtyServer::run(const QList<PtyServer *> &servers, volatile std::sig_atomic_t *stop)
{
    std::vector<pollfd> fds;
    for (const PtyServer *server : servers)
        fds.push_back({server->m_master, POLLIN, 0});
    while (!*stop) {
        qint64 waitUs = 200000;
        for (PtyServer *server : servers)
            waitUs = qMin(waitUs, server->step());
        const timespec timeout{time_t(waitUs / 1000000), long(waitUs % 1000000) * 1000};
        ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
    }
    return 0;
}
