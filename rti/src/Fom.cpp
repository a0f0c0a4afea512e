#include "Fom.h"

#include <cctype>
#include <set>

namespace volax {
namespace rti {

namespace {

// Deep nesting in a hostile file must not exhaust the stack.
constexpr int kMaxDepth = 200;

struct Token {
    enum Kind { Open, Close, Atom, End } kind = End;
    std::string text;
    int line = 1;
};

bool keywordIs(const std::string& word, const char* keyword) {
    std::size_t i = 0;
    for (; keyword[i] != '\0'; ++i) {
        if (i >= word.size()) return false;
        if (std::tolower(static_cast<unsigned char>(word[i])) != std::tolower(static_cast<unsigned char>(keyword[i])))
            return false;
    }
    return i == word.size();
}

class Lexer {
public:
    Lexer(const std::string& text, const std::string& source) : s_(text), source_(source) {}

    [[noreturn]] void fail(int line, const std::string& what) const {
        throw FomError(source_ + ":" + std::to_string(line) + ": " + what);
    }

    Token next() {
        skipSpaceAndComments();
        Token t;
        t.line = line_;
        if (pos_ >= s_.size()) return t;
        char c = s_[pos_];
        if (c == '(') {
            ++pos_;
            t.kind = Token::Open;
            return t;
        }
        if (c == ')') {
            ++pos_;
            t.kind = Token::Close;
            return t;
        }
        t.kind = Token::Atom;
        if (c == '"') {
            ++pos_;
            while (pos_ < s_.size() && s_[pos_] != '"') {
                if (s_[pos_] == '\n') fail(t.line, "unterminated quoted name");
                t.text += s_[pos_++];
            }
            if (pos_ >= s_.size()) fail(t.line, "unterminated quoted name");
            ++pos_;
            if (t.text.empty()) fail(t.line, "empty name");
            return t;
        }
        while (pos_ < s_.size()) {
            char d = s_[pos_];
            if (d == '(' || d == ')' || d == '"' || std::isspace(static_cast<unsigned char>(d))) break;
            if (d == ';') {
                if (pos_ + 1 < s_.size() && s_[pos_ + 1] == ';') break;
                fail(line_, "unexpected ';' (comments start with ';;')");
            }
            if (static_cast<unsigned char>(d) < 0x20 || static_cast<unsigned char>(d) == 0x7f)
                fail(line_, "unexpected control character");
            t.text += d;
            ++pos_;
        }
        return t;
    }

private:
    void skipSpaceAndComments() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == ';' && pos_ + 1 < s_.size() && s_[pos_ + 1] == ';') {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
    }

    const std::string& s_;
    const std::string& source_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

}  // namespace

// Recursive descent over the FED grammar, filling a Fom.
class FedParser {
public:
    FedParser(const std::string& text, const std::string& source) : lex_(text, source) { advance(); }

    Fom run() {
        expectOpen("(FED");
        expectKeyword("FED");
        bool haveFederation = false, haveVersion = false, haveSpaces = false, haveObjects = false,
             haveInteractions = false;
        while (tok_.kind == Token::Open) {
            int line = tok_.line;
            advance();
            if (tok_.kind != Token::Atom) fail("expected a section name after '('");
            std::string section = tok_.text;
            if (keywordIs(section, "federation")) {
                once(haveFederation, line, "Federation");
                advance();
                fom_.federation_ = expectName("federation name");
                expectClose();
            } else if (keywordIs(section, "fedversion")) {
                once(haveVersion, line, "FEDversion");
                advance();
                std::string v = expectName("FED version");
                if (!keywordIs(v, "v1.3") && v != "1.3") lex_.fail(line, "unsupported FED version \"" + v + "\"");
                expectClose();
            } else if (keywordIs(section, "spaces")) {
                once(haveSpaces, line, "spaces");
                if (haveObjects || haveInteractions) lex_.fail(line, "(spaces) must come before (objects)");
                advance();
                parseSpaces();
            } else if (keywordIs(section, "objects")) {
                once(haveObjects, line, "objects");
                advance();
                parseRoot(false);
            } else if (keywordIs(section, "interactions")) {
                once(haveInteractions, line, "interactions");
                advance();
                parseRoot(true);
            } else {
                lex_.fail(line, "unknown section \"" + section + "\"");
            }
        }
        expectClose();
        if (tok_.kind != Token::End) fail("text after the end of the (FED ...) form");
        if (!haveFederation) fail("missing (Federation NAME)");
        if (!haveVersion) fail("missing (FEDversion v1.3)");
        if (!haveObjects) fail("missing (objects ...)");
        if (!haveInteractions) fail("missing (interactions ...)");
        return std::move(fom_);
    }

private:
    void advance() { tok_ = lex_.next(); }

    [[noreturn]] void fail(const std::string& what) const {
        if (tok_.kind == Token::End) lex_.fail(tok_.line, what + " (at end of file)");
        lex_.fail(tok_.line, what);
    }

    void once(bool& seen, int line, const char* what) {
        if (seen) lex_.fail(line, std::string("duplicate (") + what + ") section");
        seen = true;
    }

    void expectOpen(const char* what) {
        if (tok_.kind != Token::Open) fail(std::string("expected ") + what);
        advance();
    }

    void expectClose() {
        if (tok_.kind != Token::Close) {
            if (tok_.kind == Token::Atom) fail("expected ')' but found \"" + tok_.text + "\"");
            if (tok_.kind == Token::End) fail("missing ')'");
            fail("expected ')'");
        }
        advance();
    }

    void expectKeyword(const char* kw) {
        if (tok_.kind != Token::Atom || !keywordIs(tok_.text, kw))
            fail(std::string("expected keyword \"") + kw + "\"");
        advance();
    }

    std::string expectName(const char* what) {
        if (tok_.kind != Token::Atom) fail(std::string("expected ") + what);
        std::string n = tok_.text;
        advance();
        return n;
    }

    // Class, attribute and parameter names: no dots (they separate full names).
    std::string expectIdentifier(const char* what) {
        int line = tok_.line;
        std::string n = expectName(what);
        if (n.find('.') != std::string::npos) lex_.fail(line, std::string("bad ") + what + " \"" + n + "\"");
        return n;
    }

    void parseSpaces() {
        while (tok_.kind == Token::Open) {
            advance();
            expectKeyword("space");
            int line = tok_.line;
            std::string name = expectName("space name");
            if (!spaces_.insert(name).second) lex_.fail(line, "duplicate space \"" + name + "\"");
            std::set<std::string> dims;
            while (tok_.kind == Token::Open) {
                advance();
                expectKeyword("dimension");
                int dline = tok_.line;
                std::string dim = expectName("dimension name");
                if (!dims.insert(dim).second) lex_.fail(dline, "duplicate dimension \"" + dim + "\"");
                expectClose();
            }
            expectClose();
        }
        expectClose();
    }

    void parseRoot(bool interactions) {
        if (tok_.kind != Token::Open) fail(interactions ? "expected (class InteractionRoot ...)"
                                                        : "expected (class ObjectRoot ...)");
        advance();
        expectKeyword("class");
        int line = tok_.line;
        const char* rootName = interactions ? "InteractionRoot" : "ObjectRoot";
        std::string name = expectIdentifier("class name");
        if (name != rootName) lex_.fail(line, std::string("the root class must be ") + rootName);
        if (interactions)
            parseInteractionBody(name, -1, 1, line);
        else
            parseObjectBody(name, -1, 1, line);
        expectClose();  // the root class
        if (tok_.kind == Token::Open) fail("only one root class is allowed");
        expectClose();  // the section
    }

    Transport parseTransport() {
        if (tok_.kind == Token::Atom) {
            if (keywordIs(tok_.text, "reliable")) {
                advance();
                return Transport::Reliable;
            }
            if (keywordIs(tok_.text, "best_effort")) {
                advance();
                return Transport::BestEffort;
            }
            fail("unknown transport \"" + tok_.text + "\" (reliable or best_effort)");
        }
        fail("expected a transport (reliable or best_effort)");
    }

    Order parseOrder() {
        if (tok_.kind == Token::Atom) {
            if (keywordIs(tok_.text, "receive")) {
                advance();
                return Order::Receive;
            }
            if (keywordIs(tok_.text, "timestamp")) {
                advance();
                return Order::Timestamp;
            }
            fail("unknown order \"" + tok_.text + "\" (receive or timestamp)");
        }
        fail("expected an order (receive or timestamp)");
    }

    std::string parseOptionalSpace() {
        if (tok_.kind != Token::Atom) return std::string();
        int line = tok_.line;
        std::string s = tok_.text;
        advance();
        if (!spaces_.count(s)) lex_.fail(line, "unknown space \"" + s + "\"");
        return s;
    }

    // Registers a class; the caller is past the class name.
    std::uint32_t addClass(std::vector<FomClass>& classes, std::map<std::string, std::uint32_t>& byFull,
                           std::map<std::string, std::vector<std::uint32_t>>& byLeaf, const std::string& name,
                           std::int64_t parent, int line) {
        FomClass c;
        c.name = name;
        c.parent = parent;
        c.fullName = parent < 0 ? name : classes[static_cast<std::size_t>(parent)].fullName + "." + name;
        if (byFull.count(c.fullName)) lex_.fail(line, "duplicate class \"" + c.fullName + "\"");
        auto h = static_cast<std::uint32_t>(classes.size());
        byFull[c.fullName] = h;
        byLeaf[name].push_back(h);
        if (parent >= 0) classes[static_cast<std::size_t>(parent)].children.push_back(h);
        classes.push_back(std::move(c));
        return h;
    }

    bool inheritsAttributeName(std::uint32_t cls, const std::string& name) const {
        for (std::int64_t c = cls; c >= 0; c = fom_.objectClasses_[static_cast<std::size_t>(c)].parent)
            for (std::uint32_t a : fom_.objectClasses_[static_cast<std::size_t>(c)].own)
                if (fom_.attributes_[a].name == name) return true;
        return false;
    }

    bool inheritsParameterName(std::uint32_t cls, const std::string& name) const {
        for (std::int64_t c = cls; c >= 0; c = fom_.interactionClasses_[static_cast<std::size_t>(c)].parent)
            for (std::uint32_t p : fom_.interactionClasses_[static_cast<std::size_t>(c)].own)
                if (fom_.parameters_[p].name == name) return true;
        return false;
    }

    void parseObjectBody(const std::string& name, std::int64_t parent, int depth, int line) {
        if (depth > kMaxDepth) fail("classes nested too deeply");
        std::uint32_t h = addClass(fom_.objectClasses_, fom_.objectByFull_, fom_.objectByLeaf_, name, parent, line);
        while (tok_.kind == Token::Open) {
            advance();
            int line = tok_.line;
            if (tok_.kind == Token::Atom && keywordIs(tok_.text, "attribute")) {
                advance();
                int aline = tok_.line;
                FomAttribute a;
                a.name = expectIdentifier("attribute name");
                if (inheritsAttributeName(h, a.name))
                    lex_.fail(aline, "duplicate attribute \"" + a.name + "\" in class \"" +
                                         fom_.objectClasses_[h].fullName + "\"");
                a.owner = h;
                a.transport = parseTransport();
                a.order = parseOrder();
                a.space = parseOptionalSpace();
                expectClose();
                fom_.objectClasses_[h].own.push_back(static_cast<std::uint32_t>(fom_.attributes_.size()));
                fom_.attributes_.push_back(std::move(a));
            } else if (tok_.kind == Token::Atom && keywordIs(tok_.text, "class")) {
                advance();
                int cline = tok_.line;
                std::string child = expectIdentifier("class name");
                parseObjectBody(child, h, depth + 1, cline);
                expectClose();
            } else {
                lex_.fail(line, "expected (attribute ...) or (class ...)");
            }
        }
    }

    void parseInteractionBody(const std::string& name, std::int64_t parent, int depth, int line) {
        if (depth > kMaxDepth) fail("classes nested too deeply");
        std::uint32_t h = addClass(fom_.interactionClasses_, fom_.interactionByFull_, fom_.interactionByLeaf_,
                                   name, parent, line);
        Transport t = parseTransport();
        Order o = parseOrder();
        std::string space = parseOptionalSpace();
        fom_.interactionClasses_[h].transport = t;
        fom_.interactionClasses_[h].order = o;
        fom_.interactionClasses_[h].space = space;
        while (tok_.kind == Token::Open) {
            advance();
            int line = tok_.line;
            if (tok_.kind == Token::Atom && keywordIs(tok_.text, "parameter")) {
                advance();
                int pline = tok_.line;
                FomParameter p;
                p.name = expectIdentifier("parameter name");
                if (inheritsParameterName(h, p.name))
                    lex_.fail(pline, "duplicate parameter \"" + p.name + "\" in class \"" +
                                         fom_.interactionClasses_[h].fullName + "\"");
                p.owner = h;
                expectClose();
                fom_.interactionClasses_[h].own.push_back(static_cast<std::uint32_t>(fom_.parameters_.size()));
                fom_.parameters_.push_back(std::move(p));
            } else if (tok_.kind == Token::Atom && keywordIs(tok_.text, "class")) {
                advance();
                int cline = tok_.line;
                std::string child = expectIdentifier("class name");
                parseInteractionBody(child, h, depth + 1, cline);
                expectClose();
            } else {
                lex_.fail(line, "expected (parameter ...) or (class ...)");
            }
        }
    }

    Lexer lex_;
    Token tok_;
    Fom fom_;
    std::set<std::string> spaces_;
};

Fom Fom::parse(const std::string& text, const std::string& source) { return FedParser(text, source).run(); }

namespace {

std::optional<std::uint32_t> resolveClass(const std::string& name, const char* root,
                                          const std::map<std::string, std::uint32_t>& byFull,
                                          const std::map<std::string, std::vector<std::uint32_t>>& byLeaf) {
    auto it = byFull.find(name);
    if (it != byFull.end()) return it->second;
    it = byFull.find(std::string(root) + "." + name);
    if (it != byFull.end()) return it->second;
    auto leaf = byLeaf.find(name);
    if (leaf != byLeaf.end() && leaf->second.size() == 1) return leaf->second.front();
    return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> Fom::objectClass(const std::string& name) const {
    return resolveClass(name, "ObjectRoot", objectByFull_, objectByLeaf_);
}

std::optional<std::uint32_t> Fom::interactionClass(const std::string& name) const {
    return resolveClass(name, "InteractionRoot", interactionByFull_, interactionByLeaf_);
}

std::optional<std::uint32_t> Fom::attribute(std::uint32_t cls, const std::string& name) const {
    if (!isObjectClass(cls)) return std::nullopt;
    for (std::int64_t c = cls; c >= 0; c = objectClasses_[static_cast<std::size_t>(c)].parent)
        for (std::uint32_t a : objectClasses_[static_cast<std::size_t>(c)].own)
            if (attributes_[a].name == name) return a;
    return std::nullopt;
}

std::optional<std::uint32_t> Fom::parameter(std::uint32_t cls, const std::string& name) const {
    if (!isInteractionClass(cls)) return std::nullopt;
    for (std::int64_t c = cls; c >= 0; c = interactionClasses_[static_cast<std::size_t>(c)].parent)
        for (std::uint32_t p : interactionClasses_[static_cast<std::size_t>(c)].own)
            if (parameters_[p].name == name) return p;
    return std::nullopt;
}

bool Fom::classHasAttribute(std::uint32_t cls, std::uint32_t attribute) const {
    return isObjectClass(cls) && attribute < attributes_.size() && isObjectSubclass(cls, attributes_[attribute].owner);
}

bool Fom::classHasParameter(std::uint32_t cls, std::uint32_t parameter) const {
    return isInteractionClass(cls) && parameter < parameters_.size() &&
           isInteractionSubclass(cls, parameters_[parameter].owner);
}

bool Fom::isObjectSubclass(std::uint32_t cls, std::uint32_t ancestor) const {
    if (!isObjectClass(cls)) return false;
    for (std::int64_t c = cls; c >= 0; c = objectClasses_[static_cast<std::size_t>(c)].parent)
        if (c == ancestor) return true;
    return false;
}

bool Fom::isInteractionSubclass(std::uint32_t cls, std::uint32_t ancestor) const {
    if (!isInteractionClass(cls)) return false;
    for (std::int64_t c = cls; c >= 0; c = interactionClasses_[static_cast<std::size_t>(c)].parent)
        if (c == ancestor) return true;
    return false;
}

}  // namespace rti
}  // namespace volax
