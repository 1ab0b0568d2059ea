// Answers the questions the office asks while it opens or prints a document. Password
// requests are refused at once (a wrong password makes the open fail); every other
// question becomes a pending prompt titled "Microsoft Office Word", and the command id
// the host answers with (IDYES approves) picks the continuation. A prompt nobody
// answers is refused after a bounded wait.
#pragma once

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <chrono>

namespace ostrel::word {

class InteractionHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    explicit InteractionHandler(std::chrono::milliseconds promptTimeout)
        : promptTimeout_(promptTimeout) {}

    void SAL_CALL
    handle(const css::uno::Reference<css::task::XInteractionRequest>& request) override;

private:
    std::chrono::milliseconds promptTimeout_;
};

} // namespace ostrel::word
