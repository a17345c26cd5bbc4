// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CPreviewPane: the page of the selected file, beside the list.
//
// The pane shows one page of one file: ShowFile names the file (its first
// page), the previous/next buttons step through its pages, and with image
// output chosen (SetOutput) the "As it will be written" toggle shows the
// page the way an image row writes it with the current image settings
// (PagePreview.h). A file the run would fail on shows the reason instead.
//
// Rendering happens on the pane's own worker thread, never on the GUI
// thread: each change queues one request and the latest request wins (a
// request not yet started is replaced, one being rendered has its
// interpreter ended). The result comes back to the GUI thread; one that
// was overtaken is dropped. Each render is limited in time, as a row is.
// While paused (a run converts) nothing is rendered and nothing queued; the
// pane renders again what it shows when resumed. A pane that is hidden or
// collapsed to nothing renders nothing until it is seen again.
//
// The pane borrows the engine module: Shutdown() (also the destructor) ends
// the worker, and must come before the module is released. GUI thread only,
// but for the worker's own state.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "convert/EngineModule.h"
#include "settings/ConvertSettings.h"

class QCheckBox;
class QLabel;
class QToolButton;
class CPreviewPicture;

// The bar between the list and the pane: dragging it sizes the pane, a
// click shows or hides it. It only reports; the window places both.
class CPreviewGrip : public QWidget {
public:
    explicit CPreviewGrip(QWidget *parent = nullptr);
    // Dragged `dx` pixels since the press (negative: to the left), the
    // pane's width having been `widthAtPress` (widthNow's, at the press).
    std::function<void(int dx, int widthAtPress)> onDrag;
    std::function<int()> widthNow;
    std::function<void()> onClick;
    // Whether the pane is open, for the arrow drawn on the bar.
    void SetOpen(bool open);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_pressX = 0;
    int m_widthAtPress = 0;
    bool m_pressed = false;
    bool m_dragged = false;
    bool m_open = false;
};

class CPreviewPane : public QWidget {
    Q_OBJECT

public:
    explicit CPreviewPane(const EngineModule &engine, QWidget *parent = nullptr);
    ~CPreviewPane() override;

    // The window's choices: the temporary folder, whether the output kind is
    // image, its format (IC_FORMAT_*) and the image settings.
    void SetOutput(const std::string &tempFolder, bool imageOutput, int formatCode,
                   const ImageSettings &img);
    // The file to show from its first page; empty shows none.
    void ShowFile(const std::string &path);
    // The shown file's page count as the interpreter counted it (0: not
    // known yet); it stands before the count the file declares.
    void SetPageCount(int pages);
    // Paused renders nothing; resuming renders what the pane shows.
    void SetPaused(bool paused);
    // Ends the worker (and any render in progress) for good.
    void Shutdown();

    // What the pane shows, for the window's tests and the bench.
    int Page() const { return m_page; }
    bool AsWritten() const;
    void SetAsWritten(bool on);
    void NextPage();
    void PreviousPage();
    // The page shown (null when a text is shown instead), and that text.
    const QImage &Picture() const { return m_picture; }
    QString Message() const;
    // True while a request has not been answered yet.
    bool Pending() const { return m_waitingFor != 0; }

signals:
    // A result (a page or a text) is now shown.
    void Shown();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Request {
        std::uint64_t serial = 0;
        std::string input;
        std::string tempFolder;
        int page = 1;
        bool asWritten = false;
        int formatCode = 0;
        ImageSettings img;
        int screenDpi = 72;
        QSize viewSize; // the picture area in device pixels
    };
    struct Result {
        std::uint64_t serial = 0;
        QImage picture;
        QString message;
        bool pastEnd = false;
        int declared = 0; // the page count the file declares, 0: none
    };

    // Queue what the pane shows now (nothing when paused, unseen or empty).
    void Refresh();
    // A page that fits the picture area at the screen's resolution.
    int ScreenDpi() const;
    bool Seen() const;
    void WorkerLoop();
    Result Render(const Request &request);
    void Deliver(Result result);
    void ShowText(const QString &text);
    void UpdateControls();

    const EngineModule &m_engine;
    QToolButton *m_prev = nullptr;
    QToolButton *m_next = nullptr;
    QLabel *m_pageLabel = nullptr;
    QCheckBox *m_asWritten = nullptr;
    CPreviewPicture *m_view = nullptr;
    QLabel *m_text = nullptr;

    std::string m_input;
    std::string m_tempFolder;
    bool m_imageOutput = false;
    int m_formatCode = 0;
    ImageSettings m_img;
    int m_page = 1;
    int m_declared = 0;
    int m_counted = 0;
    int m_lastPage = 0; // a page found past the end less one; 0: not known
    bool m_paused = false;
    QImage m_picture;
    std::uint64_t m_waitingFor = 0; // the request not yet answered, 0: none
    int m_requestedDpi = 0;
    bool m_unseen = false; // a render waits for the pane to be seen

    // The worker's side, under m_lock.
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    std::uint64_t m_serial = 0;  // the latest request's
    std::uint64_t m_running = 0; // the request being rendered, 0: none
    int m_workerTid = 0;
    bool m_quit = false;
    std::thread m_worker;
};
