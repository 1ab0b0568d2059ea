#include "word/interaction_handler.h"

#include "prompts/pending_prompts.h"

#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <cppu/unotype.hxx>
#include <rtl/ustring.hxx>

namespace ostrel::word {
namespace {

using rtl::OString;
using rtl::OStringToOUString;
using rtl::OUString;
using rtl::OUStringToOString;

using css::uno::Reference;
using css::uno::UNO_QUERY;

template <typename Continuation>
bool selectFirst(
    const css::uno::Sequence<Reference<css::task::XInteractionContinuation>>& continuations) {
    for (const auto& continuation : continuations) {
        Reference<Continuation> wanted(continuation, UNO_QUERY);
        if (wanted.is()) {
            wanted->select();
            return true;
        }
    }
    return false;
}

void refuse(
    const css::uno::Sequence<Reference<css::task::XInteractionContinuation>>& continuations) {
    if (!selectFirst<css::task::XInteractionAbort>(continuations)) {
        selectFirst<css::task::XInteractionDisapprove>(continuations);
    }
}

bool isPasswordRequest(const css::uno::Any& request) {
    return cppu::UnoType<css::task::PasswordRequest>::get().isAssignableFrom(
        request.getValueType());
}

std::string describe(const css::uno::Any& request) {
    OUString text;
    css::uno::Exception exception;
    if (request >>= exception) {
        text = exception.Message;
    }
    if (text.isEmpty()) {
        text = request.getValueTypeName();
    }
    return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

} // namespace

void InteractionHandler::handle(const Reference<css::task::XInteractionRequest>& request) {
    if (!request.is()) {
        return;
    }
    const css::uno::Any what = request->getRequest();
    const auto continuations = request->getContinuations();
    if (isPasswordRequest(what)) {
        refuse(continuations);
        return;
    }
    const int answer = askPrompt(kPromptTitle, describe(what), kPromptNo, promptTimeout_);
    if ((answer == kPromptYes || answer == kPromptOk) &&
        selectFirst<css::task::XInteractionApprove>(continuations)) {
        return;
    }
    refuse(continuations);
}

} // namespace ostrel::word
