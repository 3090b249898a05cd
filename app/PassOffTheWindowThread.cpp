#include "PassOffTheWindowThread.h"

#include <QEventLoop>
#include <exception>
#include <system_error>
#include <thread>

void RunPassOffTheWindowThread(const std::function<void()>& work) {
    QEventLoop waiting;
    std::exception_ptr failure;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            // Queued, so that it reaches the loop even when the work ends before it runs.
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        work();  // no thread to be had: the window waits, as it always could
        return;
    }
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}
