#include "engine/Filter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/EngineError.h"
#include "engine/Names.h"

namespace engine {

namespace filterdetail {

enum class Op { Eq, Ne, Gt, Ge, Lt, Le };

struct Token {
    enum class Kind { End, LParen, RParen, Op, Number, Quoted, Ident, And, Or, True, False };
    Kind kind = Kind::End;
    Op op = Op::Eq;
    std::string text;    // number as typed, quoted text without its quotes, identifier
    std::size_t pos = 0; // 1-based byte position in the filter text
};

} // namespace filterdetail

using filterdetail::Op;
using filterdetail::Token;

namespace {

const char *opText(Op op)
{
    switch (op) {
    case Op::Eq: return "=";
    case Op::Ne: return "<>";
    case Op::Gt: return ">";
    case Op::Ge: return ">=";
    case Op::Lt: return "<";
    case Op::Le: return "<=";
    }
    return "?";
}

Op flipped(Op op)
{
    switch (op) {
    case Op::Gt: return Op::Lt;
    case Op::Ge: return Op::Le;
    case Op::Lt: return Op::Gt;
    case Op::Le: return Op::Ge;
    default: return op;
    }
}

bool holds(Op op, int c)
{
    switch (op) {
    case Op::Eq: return c == 0;
    case Op::Ne: return c != 0;
    case Op::Gt: return c > 0;
    case Op::Ge: return c >= 0;
    case Op::Lt: return c < 0;
    case Op::Le: return c <= 0;
    }
    return false;
}

[[noreturn]] void fail(const std::string &what, std::size_t pos)
{
    if (pos > 0)
        throw EngineError("Filtro no válido: " + what + " (posición " + std::to_string(pos) + ").");
    throw EngineError("Filtro no válido: " + what + ".");
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text) {}

    Token next()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
            ++i_;
        Token t;
        t.pos = i_ + 1;
        if (i_ >= s_.size())
            return t;
        const char c = s_[i_];
        if (c == '(') {
            ++i_;
            t.kind = Token::Kind::LParen;
        } else if (c == ')') {
            ++i_;
            t.kind = Token::Kind::RParen;
        } else if (c == '=' || c == '<' || c == '>') {
            t.kind = Token::Kind::Op;
            ++i_;
            const char n = i_ < s_.size() ? s_[i_] : '\0';
            if (c == '=') {
                t.op = Op::Eq;
            } else if (c == '<' && n == '>') {
                t.op = Op::Ne;
                ++i_;
            } else if (c == '<' && n == '=') {
                t.op = Op::Le;
                ++i_;
            } else if (c == '>' && n == '=') {
                t.op = Op::Ge;
                ++i_;
            } else {
                t.op = c == '<' ? Op::Lt : Op::Gt;
            }
        } else if (c == '\'') {
            t.kind = Token::Kind::Quoted;
            ++i_;
            for (;;) {
                if (i_ >= s_.size())
                    fail("falta la comilla que cierra el texto", t.pos);
                if (s_[i_] == '\'') {
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
                        t.text += '\'';
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                t.text += s_[i_++];
            }
        } else if (isDigit(c) || ((c == '-' || c == '+') && i_ + 1 < s_.size() && isDigit(s_[i_ + 1]))) {
            t.kind = Token::Kind::Number;
            std::size_t j = i_ + 1;
            while (j < s_.size() && isDigit(s_[j]))
                ++j;
            if (j + 1 < s_.size() && s_[j] == '.' && isDigit(s_[j + 1])) {
                j += 2;
                while (j < s_.size() && isDigit(s_[j]))
                    ++j;
            }
            t.text = std::string(s_.substr(i_, j - i_));
            i_ = j;
            if (i_ < s_.size() && isIdentChar(s_[i_]))
                fail("número mal escrito", t.pos);
        } else if (isIdentStart(c)) {
            std::size_t j = i_ + 1;
            while (j < s_.size() && isIdentChar(s_[j]))
                ++j;
            t.text = std::string(s_.substr(i_, j - i_));
            i_ = j;
            if (equalsNoCase(t.text, "and"))
                t.kind = Token::Kind::And;
            else if (equalsNoCase(t.text, "or"))
                t.kind = Token::Kind::Or;
            else if (equalsNoCase(t.text, "true"))
                t.kind = Token::Kind::True;
            else if (equalsNoCase(t.text, "false"))
                t.kind = Token::Kind::False;
            else
                t.kind = Token::Kind::Ident;
        } else {
            std::string shown;
            if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f)
                shown = std::string("el carácter \"") + c + "\"";
            else
                shown = "un carácter";
            fail(shown + " no se admite aquí", t.pos);
        }
        return t;
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c); }

    std::string_view s_;
    std::size_t i_ = 0;
};

constexpr int kMaxDepth = 100;

} // namespace

struct Filter::Node {
    enum class Kind { And, Or, Compare };
    Kind kind = Kind::Compare;
    std::vector<std::unique_ptr<Node>> children;

    // Compare, as parsed
    std::string fieldName;
    std::size_t fieldPos = 0;
    Op op = Op::Eq;
    Token value;

    // Compare, as resolved
    int field = -1;
    FieldType type = FieldType::SmallInt;
    double number = 0;     // numeric and boolean fields
    std::string text;      // string fields
    bool prefix = false;   // text is a prefix ("*" rule)
};

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : lex_(text) { advance(); }

    std::unique_ptr<Filter::Node> parseAll()
    {
        if (tok_.kind == Token::Kind::End)
            return nullptr;
        auto n = parseOr(0);
        if (tok_.kind == Token::Kind::RParen)
            fail("sobra un paréntesis de cierre", tok_.pos);
        if (tok_.kind != Token::Kind::End)
            fail("se esperaba \"and\" u \"or\" antes de " + describe(tok_), tok_.pos);
        return n;
    }

private:
    void advance() { tok_ = lex_.next(); }

    static std::string describe(const Token &t)
    {
        switch (t.kind) {
        case Token::Kind::End: return "el final";
        case Token::Kind::LParen: return "\"(\"";
        case Token::Kind::RParen: return "\")\"";
        case Token::Kind::Op: return std::string("\"") + opText(t.op) + "\"";
        case Token::Kind::Number: return "el número " + t.text;
        case Token::Kind::Quoted: return "el texto '" + t.text + "'";
        case Token::Kind::And: return "\"and\"";
        case Token::Kind::Or: return "\"or\"";
        default: return "\"" + t.text + "\"";
        }
    }

    std::unique_ptr<Filter::Node> parseOr(int depth)
    {
        auto first = parseAnd(depth);
        if (tok_.kind != Token::Kind::Or)
            return first;
        auto n = std::make_unique<Filter::Node>();
        n->kind = Filter::Node::Kind::Or;
        n->children.push_back(std::move(first));
        while (tok_.kind == Token::Kind::Or) {
            advance();
            n->children.push_back(parseAnd(depth));
        }
        return n;
    }

    std::unique_ptr<Filter::Node> parseAnd(int depth)
    {
        auto first = parsePrimary(depth);
        if (tok_.kind != Token::Kind::And)
            return first;
        auto n = std::make_unique<Filter::Node>();
        n->kind = Filter::Node::Kind::And;
        n->children.push_back(std::move(first));
        while (tok_.kind == Token::Kind::And) {
            advance();
            n->children.push_back(parsePrimary(depth));
        }
        return n;
    }

    static bool isValue(const Token &t)
    {
        return t.kind == Token::Kind::Number || t.kind == Token::Kind::Quoted || t.kind == Token::Kind::True
            || t.kind == Token::Kind::False;
    }

    std::unique_ptr<Filter::Node> parsePrimary(int depth)
    {
        if (tok_.kind == Token::Kind::LParen) {
            if (depth >= kMaxDepth)
                fail("demasiados paréntesis anidados", tok_.pos);
            const std::size_t open = tok_.pos;
            advance();
            auto n = parseOr(depth + 1);
            if (tok_.kind != Token::Kind::RParen) {
                if (tok_.kind == Token::Kind::End)
                    fail("falta el paréntesis que cierra el abierto en la posición " + std::to_string(open), 0);
                fail("se esperaba \")\" en lugar de " + describe(tok_), tok_.pos);
            }
            advance();
            return n;
        }
        auto n = std::make_unique<Filter::Node>();
        n->kind = Filter::Node::Kind::Compare;
        if (tok_.kind == Token::Kind::Ident) {
            n->fieldName = tok_.text;
            n->fieldPos = tok_.pos;
            advance();
            if (tok_.kind != Token::Kind::Op)
                fail("se esperaba un operador (=, <>, >, >=, <, <=) después de \"" + n->fieldName + "\" en lugar de "
                         + describe(tok_),
                     tok_.pos);
            n->op = tok_.op;
            advance();
            if (!isValue(tok_)) {
                if (tok_.kind == Token::Kind::Ident)
                    fail("\"" + tok_.text + "\" no es un valor (los textos van entre comillas simples)", tok_.pos);
                fail(std::string("falta el valor después de \"") + opText(n->op) + "\"", tok_.pos);
            }
            n->value = tok_;
            advance();
            return n;
        }
        if (isValue(tok_)) {
            n->value = tok_;
            advance();
            if (tok_.kind != Token::Kind::Op)
                fail("se esperaba un operador después de " + describe(n->value), tok_.pos);
            n->op = flipped(tok_.op);
            advance();
            if (tok_.kind != Token::Kind::Ident)
                fail("se esperaba el nombre de un campo en lugar de " + describe(tok_), tok_.pos);
            n->fieldName = tok_.text;
            n->fieldPos = tok_.pos;
            advance();
            return n;
        }
        if (tok_.kind == Token::Kind::End)
            fail("la condición está incompleta", 0);
        fail("se esperaba una condición en lugar de " + describe(tok_), tok_.pos);
    }

    Lexer lex_;
    Token tok_;
};

bool parseNumber(const std::string &text, double &out)
{
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    if (b == e)
        return false;
    std::size_t i = b;
    if (text[i] == '-' || text[i] == '+')
        ++i;
    std::size_t digits = 0;
    while (i < e && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < e && text[i] == '.') {
        ++i;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (i != e || digits == 0)
        return false;
    out = std::strtod(std::string(text.substr(b, e - b)).c_str(), nullptr);
    return std::isfinite(out);
}

std::string describeLiteral(const Token &t)
{
    switch (t.kind) {
    case Token::Kind::True: return "true";
    case Token::Kind::False: return "false";
    case Token::Kind::Quoted: return "'" + t.text + "'";
    default: return t.text;
    }
}

void resolve(Filter::Node &n, const std::vector<FieldDef> &fields, std::vector<int> &used)
{
    if (n.kind != Filter::Node::Kind::Compare) {
        for (auto &c : n.children)
            resolve(*c, fields, used);
        return;
    }
    n.field = -1;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsNoCase(fields[i].name, n.fieldName))
            n.field = static_cast<int>(i);
    if (n.field < 0)
        fail("el campo \"" + n.fieldName + "\" no existe", n.fieldPos);
    const FieldDef &f = fields[static_cast<std::size_t>(n.field)];
    n.type = f.type;
    if (std::find(used.begin(), used.end(), n.field) == used.end())
        used.push_back(n.field);
    const Token &v = n.value;
    const std::string where = "para el campo \"" + f.name + "\"";
    switch (f.type) {
    case FieldType::Blob:
        fail("el campo \"" + f.name + "\" guarda datos binarios y no puede usarse en un filtro", n.fieldPos);
    case FieldType::SmallInt:
    case FieldType::AutoInc:
        if (v.kind == Token::Kind::True || v.kind == Token::Kind::False)
            fail(describeLiteral(v) + " no es un valor válido " + where, v.pos);
        if (!parseNumber(v.text, n.number))
            fail("'" + v.text + "' no es un número válido " + where, v.pos);
        break;
    case FieldType::Boolean:
        if (v.kind == Token::Kind::True || (v.kind == Token::Kind::Quoted && equalsNoCase(v.text, "true")))
            n.number = 1;
        else if (v.kind == Token::Kind::False || (v.kind == Token::Kind::Quoted && equalsNoCase(v.text, "false")))
            n.number = 0;
        else
            fail(describeLiteral(v) + " no es un valor válido " + where + " (se espera true o false)", v.pos);
        break;
    case FieldType::String:
        if (v.kind == Token::Kind::True || v.kind == Token::Kind::False)
            fail(describeLiteral(v) + " no es un valor válido " + where + " (los textos van entre comillas simples)",
                 v.pos);
        n.text = v.text;
        n.prefix = v.kind == Token::Kind::Quoted && utf8Length(v.text) >= 2 && v.text.back() == '*';
        if (n.prefix)
            n.text.pop_back();
        break;
    }
}

} // namespace

namespace {

int compareText(std::string_view a, std::string_view b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool evaluate(const Filter::Node &n, const Row &row)
{
    switch (n.kind) {
    case Filter::Node::Kind::And:
        for (const auto &c : n.children)
            if (!evaluate(*c, row))
                return false;
        return true;
    case Filter::Node::Kind::Or:
        for (const auto &c : n.children)
            if (evaluate(*c, row))
                return true;
        return false;
    case Filter::Node::Kind::Compare:
        break;
    }
    const Value &v = row[static_cast<std::size_t>(n.field)];
    int c;
    if (n.type == FieldType::String) {
        const bool constBlank = n.text.empty();
        if (v.isBlank() || v.kind != Value::Kind::Bytes)
            c = constBlank ? 0 : -1;
        else if (constBlank)
            c = 1;
        else if (n.prefix)
            c = compareText(std::string_view(v.bytes).substr(0, n.text.size()), n.text);
        else
            c = compareText(v.bytes, n.text);
    } else {
        if (v.kind != Value::Kind::Integer) {
            c = -1; // blank is less than every value
        } else {
            const double x = static_cast<double>(v.integer);
            c = x < n.number ? -1 : (x > n.number ? 1 : 0);
        }
    }
    return holds(n.op, c);
}

} // namespace


Filter::Filter() = default;
Filter::~Filter() = default;
Filter::Filter(Filter &&) noexcept = default;
Filter &Filter::operator=(Filter &&) noexcept = default;

Filter Filter::compile(std::string_view text, const std::vector<FieldDef> &fields)
{
    Filter f;
    Parser p(text);
    f.root_ = p.parseAll();
    if (f.root_)
        resolve(*f.root_, fields, f.used_);
    return f;
}

void Filter::checkSyntax(std::string_view text)
{
    Parser p(text);
    p.parseAll();
}

bool Filter::empty() const { return !root_; }

bool Filter::matches(const Row &row) const { return !root_ || evaluate(*root_, row); }

const std::vector<int> &Filter::usedFields() const { return used_; }

} // namespace engine
