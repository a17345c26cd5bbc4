// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CPreviewPane.h"

#include <unistd.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "convert/DeclaredPages.h"
#include "convert/PagePreview.h"
#include "convert/RowDeadline.h"

namespace {

// The longest a page may take to render, as a run's time limit ends a row.
constexpr std::chrono::seconds kRenderLimit{60};
// The plain view's resolution: an A4 page's height fitting the picture
// area, within these bounds.
constexpr int kLeastDpi = 24;
constexpr int kMostDpi = 200;
constexpr double kA4HeightInches = 11.69;
// A pane narrower or lower than this is taken as collapsed.
constexpr int kLeastSeen = 16;

} // namespace

// The page, scaled to fit and centred, on the window's background.
class CPreviewPicture : public QWidget {
public:
    explicit CPreviewPicture(QWidget *parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        setMinimumSize(1, 1);
    }
    void SetImage(const QImage &image) {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        if (m_image.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // An image that fits is drawn as it is, pixel for pixel.
        const QSize room = size() - QSize(2, 2);
        const QSize own = m_image.deviceIndependentSize().toSize();
        QSize fit = own.width() <= room.width() && own.height() <= room.height()
                        ? own
                        : own.scaled(room, Qt::KeepAspectRatio);
        QRect place(QPoint(), fit);
        place.moveCenter(rect().center());
        painter.drawImage(place, m_image);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(place.adjusted(-1, -1, 0, 0));
    }

private:
    QImage m_image;
};

CPreviewGrip::CPreviewGrip(QWidget *parent) : QWidget(parent) {
    setCursor(Qt::SplitHCursor);
    setToolTip(CPreviewPane::tr("Drag to size the preview, click to show or hide it"));
}

void CPreviewGrip::SetOpen(bool open) {
    m_open = open;
    update();
}

void CPreviewGrip::paintEvent(QPaintEvent *) {
    // A small arrow in the middle, pointing the way a click moves the pane.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Mid));
    const QPointF mid(width() / 2.0, height() / 2.0);
    const qreal w = std::max(2.0, width() / 2.0 - 1), h = 6;
    const qreal tip = m_open ? w : -w;
    const QPointF arrow[] = {mid + QPointF(tip, 0), mid + QPointF(-tip, -h),
                             mid + QPointF(-tip, h)};
    painter.drawPolygon(arrow, 3);
}

void CPreviewGrip::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressed = true;
    m_dragged = false;
    m_pressX = static_cast<int>(event->globalPosition().x());
    m_widthAtPress = widthNow ? widthNow() : 0;
}

void CPreviewGrip::mouseMoveEvent(QMouseEvent *event) {
    if (!m_pressed)
        return QWidget::mouseMoveEvent(event);
    const int dx = static_cast<int>(event->globalPosition().x()) - m_pressX;
    if (std::abs(dx) > 2)
        m_dragged = true;
    if (m_dragged && onDrag)
        onDrag(dx, m_widthAtPress);
}

void CPreviewGrip::mouseReleaseEvent(QMouseEvent *event) {
    if (!m_pressed || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    if (!m_dragged && onClick)
        onClick();
}

CPreviewPane::CPreviewPane(const EngineModule &engine, QWidget *parent)
    : QWidget(parent), m_engine(engine) {
    m_prev = new QToolButton(this);
    m_prev->setArrowType(Qt::LeftArrow);
    m_prev->setToolTip(tr("Previous page"));
    m_prev->setAccessibleName(m_prev->toolTip());
    m_next = new QToolButton(this);
    m_next->setArrowType(Qt::RightArrow);
    m_next->setToolTip(tr("Next page"));
    m_next->setAccessibleName(m_next->toolTip());
    m_pageLabel = new QLabel(this);
    m_asWritten = new QCheckBox(tr("As it will be written"), this);
    m_view = new CPreviewPicture(this);
    m_text = new QLabel(this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(m_prev);
    bar->addWidget(m_pageLabel);
    bar->addWidget(m_next);
    bar->addStretch(1);
    bar->addWidget(m_asWritten);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(4, 0, 0, 0);
    column->addLayout(bar);
    column->addWidget(m_view, 1);
    column->addWidget(m_text, 1);

    connect(m_prev, &QToolButton::clicked, this, &CPreviewPane::PreviousPage);
    connect(m_next, &QToolButton::clicked, this, &CPreviewPane::NextPage);
    connect(m_asWritten, &QCheckBox::toggled, this, [this] { Refresh(); });
    ShowText(QString());
    UpdateControls();
    m_worker = std::thread([this] { WorkerLoop(); });
}

CPreviewPane::~CPreviewPane() {
    Shutdown();
}

void CPreviewPane::Shutdown() {
    if (!m_worker.joinable())
        return;
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_quit = true;
        m_pending.reset();
        // A render in progress is ended; one that was only starting is hit
        // by the next try.
        while (m_running != 0) {
            if (m_engine.signalThreadRun && m_workerTid != 0)
                m_engine.signalThreadRun(m_workerTid, SIGKILL);
            m_wake.wait_for(guard, std::chrono::milliseconds(20));
        }
    }
    m_wake.notify_all();
    m_worker.join();
    m_waitingFor = 0;
}

void CPreviewPane::SetOutput(const std::string &tempFolder, bool imageOutput, int formatCode,
                             const ImageSettings &img) {
    m_tempFolder = tempFolder;
    m_imageOutput = imageOutput;
    m_formatCode = formatCode;
    m_img = img;
    if (!m_imageOutput && m_asWritten->isChecked()) {
        m_asWritten->setChecked(false); // renders again
        UpdateControls();
        return;
    }
    UpdateControls();
    if (AsWritten())
        Refresh();
}

void CPreviewPane::ShowFile(const std::string &path) {
    if (path == m_input)
        return;
    m_input = path;
    m_page = 1;
    m_declared = 0;
    m_counted = 0;
    m_lastPage = 0;
    m_picture = QImage();
    m_view->SetImage(m_picture);
    if (m_input.empty()) {
        ShowText(QString());
        std::lock_guard<std::mutex> guard(m_lock);
        m_pending.reset();
        m_waitingFor = 0;
    }
    Refresh();
}

void CPreviewPane::SetPageCount(int pages) {
    m_counted = std::max(pages, 0);
    UpdateControls();
}

void CPreviewPane::SetPaused(bool paused) {
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (!paused) {
        Refresh();
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pending.reset();
        ++m_serial; // whatever is being rendered is dropped
        if (m_running != 0 && m_engine.signalThreadRun && m_workerTid != 0)
            m_engine.signalThreadRun(m_workerTid, SIGKILL);
    }
    m_waitingFor = 0;
    m_picture = QImage();
    m_view->SetImage(m_picture);
    ShowText(tr("Previews wait while files are converted."));
    UpdateControls();
}

bool CPreviewPane::AsWritten() const {
    return m_imageOutput && m_asWritten->isChecked();
}

void CPreviewPane::SetAsWritten(bool on) {
    m_asWritten->setChecked(on);
}

void CPreviewPane::NextPage() {
    if (m_paused || m_input.empty() || (m_lastPage != 0 && m_page >= m_lastPage))
        return;
    ++m_page;
    Refresh();
}

void CPreviewPane::PreviousPage() {
    if (m_paused || m_page <= 1)
        return;
    --m_page;
    Refresh();
}

QString CPreviewPane::Message() const {
    return m_text->isVisible() || m_picture.isNull() ? m_text->text() : QString();
}

void CPreviewPane::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_unseen && Seen())
        Refresh();
}

void CPreviewPane::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // Seen again after being collapsed, or grown well past the resolution
    // the plain view was rendered at.
    if (!Seen())
        return;
    if (m_unseen || (m_waitingFor == 0 && !m_picture.isNull() && !AsWritten() &&
                     ScreenDpi() > m_requestedDpi * 3 / 2))
        Refresh();
}

bool CPreviewPane::Seen() const {
    return isVisible() && width() >= kLeastSeen && height() >= kLeastSeen;
}

int CPreviewPane::ScreenDpi() const {
    const qreal ratio = devicePixelRatioF();
    const int height = std::max(1, m_view->height());
    const int dpi = static_cast<int>(height * ratio / kA4HeightInches);
    return std::clamp(dpi, kLeastDpi, kMostDpi);
}

void CPreviewPane::Refresh() {
    UpdateControls();
    m_unseen = !m_paused && !m_input.empty() && !Seen();
    if (m_paused || m_input.empty() || m_unseen)
        return;
    Request request;
    request.input = m_input;
    request.tempFolder = m_tempFolder;
    request.page = m_page;
    request.asWritten = AsWritten();
    request.formatCode = m_formatCode;
    request.img = m_img;
    request.screenDpi = ScreenDpi();
    request.viewSize = (QSizeF(m_view->size() - QSize(2, 2)) * devicePixelRatioF()).toSize();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        request.serial = ++m_serial;
        // The latest request wins: the one being rendered is of no use now.
        if (m_running != 0 && m_engine.signalThreadRun && m_workerTid != 0)
            m_engine.signalThreadRun(m_workerTid, SIGKILL);
        m_waitingFor = request.serial;
        m_requestedDpi = request.screenDpi;
        m_pending = std::move(request);
    }
    m_wake.notify_all();
    if (m_picture.isNull())
        ShowText(tr("Rendering..."));
    UpdateControls();
}

void CPreviewPane::WorkerLoop() {
    RowDeadlines deadlines(m_engine);
    deadlines.Open(kRenderLimit);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_workerTid = static_cast<int>(::gettid());
    }
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_wake.wait(guard, [this] { return m_quit || m_pending.has_value(); });
            if (m_quit)
                break;
            request = std::move(*m_pending);
            m_pending.reset();
            m_running = request.serial;
        }
        Result result;
        {
            RowDeadlines::Row limit(deadlines);
            result = Render(request);
            if (limit.Expired()) {
                result.picture = QImage();
                result.message = QString::fromStdString(
                    "took longer than " + std::to_string(kRenderLimit.count()) + " s");
            }
        }
        bool latest = false;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_running = 0;
            latest = request.serial == m_serial && !m_quit;
        }
        m_wake.notify_all();
        if (latest)
            QMetaObject::invokeMethod(
                this, [this, result = std::move(result)]() mutable { Deliver(std::move(result)); },
                Qt::QueuedConnection);
    }
    deadlines.Close();
}

CPreviewPane::Result CPreviewPane::Render(const Request &request) {
    Result out;
    out.serial = request.serial;
    out.declared = DeclaredPageCount(request.input);
    // The plain view at the screen's resolution; the written one at the
    // output's, which its size and rotation are reckoned in.
    ImageSettings img = request.img;
    if (!request.asWritten)
        img.nXDpi = img.nYDpi = request.screenDpi;
    PreviewPage page = RenderPreviewPage(m_engine, request.tempFolder, request.input, request.page,
                                         img, request.formatCode);
    if (page.pastEnd) {
        out.pastEnd = true;
        out.message = tr("The document has no page %1.").arg(request.page);
        return out;
    }
    std::string reason = page.reason;
    PreviewBitmap bitmap;
    if (reason.empty() && request.asWritten) {
        WrittenPreview written = PreviewAsWritten(page, request.img, request.formatCode);
        reason = std::move(written.reason);
        bitmap = std::move(written.bitmap);
    } else if (reason.empty()) {
        bitmap = PreviewPixels(page, &reason);
    }
    if (!reason.empty()) {
        out.message = QString::fromStdString(reason);
        return out;
    }
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB888);
    if (image.isNull()) {
        out.message = QString::fromStdString("out of memory");
        return out;
    }
    const std::size_t rowBytes = std::size_t(bitmap.width) * 3;
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(image.scanLine(y), bitmap.rgb.data() + rowBytes * std::size_t(y), rowBytes);
    // A page larger than the picture area is brought down to its size here,
    // off the GUI thread,
    // so that painting it is a plain copy.
    if (request.viewSize.isValid() &&
        (image.width() > request.viewSize.width() || image.height() > request.viewSize.height()))
        image = image.scaled(request.viewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    out.picture = std::move(image);
    return out;
}

void CPreviewPane::Deliver(Result result) {
    if (result.serial != m_waitingFor)
        return; // overtaken meanwhile
    m_waitingFor = 0;
    m_declared = result.declared;
    if (result.pastEnd)
        m_lastPage = std::max(1, m_page - 1);
    m_picture = std::move(result.picture);
    m_picture.setDevicePixelRatio(devicePixelRatioF());
    m_view->SetImage(m_picture);
    if (m_picture.isNull())
        ShowText(result.message);
    else
        ShowText(QString());
    UpdateControls();
    emit Shown();
}

void CPreviewPane::ShowText(const QString &text) {
    m_text->setText(text);
    const bool picture = text.isEmpty() && !m_picture.isNull();
    m_view->setVisible(picture);
    m_text->setVisible(!picture);
}

void CPreviewPane::UpdateControls() {
    const bool file = !m_input.empty() && !m_paused;
    const int known = m_counted > 0 ? m_counted : m_declared;
    const int last = known > 0 ? known : m_lastPage;
    m_prev->setEnabled(file && m_page > 1);
    m_next->setEnabled(file && (last == 0 || m_page < last));
    if (!file)
        m_pageLabel->clear();
    else if (known > 0)
        m_pageLabel->setText(tr("Page %1 of %2").arg(m_page).arg(known));
    else
        m_pageLabel->setText(tr("Page %1").arg(m_page));
    m_asWritten->setVisible(m_imageOutput);
    m_asWritten->setEnabled(!m_paused);
}
