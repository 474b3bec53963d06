#include "archive/SiteAssets.h"

#include "archive/SiteText.h"

namespace tessaly::archive {

const std::string& StyleSheet() {
    static const std::string css =
        R"CSS(body { font: 15px/1.45 "DejaVu Sans", Arial, sans-serif; margin: 0; color: #1d2330; background: #f6f7f9; }
nav.top { background: #3b2a6e; padding: 8px 24px; }
nav.top a { color: #fff; margin-right: 18px; text-decoration: none; font-weight: bold; }
main { max-width: 1100px; margin: 0 auto; padding: 12px 24px 24px; }
h1 { font-size: 24px; margin: 12px 0 6px; }
h2 { font-size: 18px; margin: 20px 0 6px; }
a { color: #3346a8; }
table.list { border-collapse: collapse; width: 100%; background: #fff; }
table.list th { text-align: left; background: #e8e9f0; padding: 5px 8px; font-size: 13px; }
table.list td { border-top: 1px solid #e3e4ea; padding: 4px 8px; vertical-align: top; }
table.list td.num, table.list th.num { text-align: right; white-space: nowrap; }
td.date { white-space: nowrap; color: #555; }
.unknown { color: #8a8f99; font-style: italic; }
.purged { color: #8a8f99; }
p.summary { color: #444; }
table.months td { text-align: center; padding: 3px 6px; }
table.months td.empty { color: #c3c6cf; }
ul.pages { list-style: none; padding: 0; display: flex; flex-wrap: wrap; gap: 6px; }
ul.pages li a { display: inline-block; background: #fff; border: 1px solid #d5d7e0; padding: 2px 8px; border-radius: 4px; text-decoration: none; }
ul.tree { list-style: none; padding-left: 18px; }
ul.tree li.folder > span { font-weight: bold; }
span.size { color: #666; font-size: 13px; margin-left: 8px; }
div.grid { display: flex; flex-wrap: wrap; gap: 12px; }
figure.thumb { margin: 0; width: 170px; background: #fff; border: 1px solid #dde; padding: 6px; text-align: center; }
figure.thumb img { max-width: 160px; max-height: 120px; }
figure.thumb figcaption { font-size: 12px; word-break: break-all; }
div.noimage { width: 160px; height: 90px; line-height: 90px; background: #eceef3; color: #8a8f99; font-size: 12px; margin: 0 auto; }
img.small { max-height: 36px; vertical-align: middle; margin-right: 6px; }
form.search input[type=search] { font-size: 16px; padding: 5px 8px; width: 60%; }
form.search button { font-size: 16px; padding: 5px 14px; }
ol.results li { margin: 6px 0; background: #fff; padding: 6px 10px; border: 1px solid #e3e4ea; }
ol.results .meta { color: #555; font-size: 13px; }
footer { text-align: center; color: #8a8f99; font-size: 12px; padding: 16px; }
)CSS";
    return css;
}

const std::string& SearchPage() {
    static const std::string page = PageHead("Search the archive", "") +
                                    R"HTML(<h1>Search the messages</h1>
<form class="search" id="form"><input type="search" id="q" name="q" placeholder="words in the subject, author or text" autofocus> <button type="submit">Search</button></form>
<p class="summary" id="status">Every word must appear in a message; end a word with * to match words that begin with it.</p>
<ol class="results" id="results"></ol>
<script src="search.js"></script>
<script src="search/groups.js"></script>
<script>TS.start();</script>
)HTML" + PageFoot();
    return page;
}

const std::string& SearchScript() {
    static const std::string script =
        R"JS(// The archive's search, in the browser with no server: search/groups.js lists the groups and
// their index blocks, and each block script (search/GROUP/K.js) hands over its messages and, for
// every word, the positions of the messages that hold it.
var TS = (function () {
  "use strict";
  var groups = [], blocks = {}, loading = null, waiting = [];
  var MAX_SHOWN = 500;

  // The same cut as the index: runs of letters and digits, lower case, 2 to 40 units long.
  function words(text) {
    var found = text.toLowerCase().match(/[\p{L}\p{N}]+/gu) || [];
    return found.filter(function (w) { return w.length >= 2 && w.length <= 40; });
  }
  function terms(query) {
    var out = [];
    query.split(/\s+/).forEach(function (token) {
      var prefix = /\*$/.test(token), ws = words(token);
      ws.forEach(function (w, i) { out.push({ word: w, prefix: prefix && i === ws.length - 1 }); });
    });
    return out;
  }
  function positions(encoded) {
    var out = [], at = 0;
    encoded.split(",").forEach(function (d) { at += parseInt(d, 36); out.push(at); });
    return out;
  }
  function matching(index, term) {
    var set = {};
    if (!term.prefix) {
      if (Object.prototype.hasOwnProperty.call(index, term.word))
        positions(index[term.word]).forEach(function (p) { set[p] = true; });
      return set;
    }
    Object.keys(index).forEach(function (w) {
      if (w.lastIndexOf(term.word, 0) === 0) positions(index[w]).forEach(function (p) { set[p] = true; });
    });
    return set;
  }
  function load(done) {
    if (loading === false) { done(); return; }
    waiting.push(done);
    if (loading) return;
    var files = [];
    groups.forEach(function (g) {
      g.blocks.forEach(function (k) { files.push("search/" + g.dir + "/" + k + ".js"); });
    });
    var left = files.length;
    loading = true;
    function one() {
      left -= 1;
      if (left > 0) return;
      loading = false;
      waiting.splice(0).forEach(function (f) { f(); });
    }
    if (left === 0) { left = 1; one(); return; }
    files.forEach(function (f) {
      var s = document.createElement("script");
      s.src = f;
      s.onload = one;
      s.onerror = one;
      document.head.appendChild(s);
    });
  }
  function text(tag, cls, content) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    e.textContent = content;
    return e;
  }
  function run(query) {
    var status = document.getElementById("status"), list = document.getElementById("results");
    list.textContent = "";
    var ts = terms(query);
    if (ts.length === 0) { status.textContent = "Type a word of two letters or more."; return; }
    var hits = [];
    groups.forEach(function (g) {
      g.blocks.forEach(function (k) {
        var b = blocks[g.name + "/" + k];
        if (!b) return;
        var found = null;
        ts.forEach(function (t) {
          var set = matching(b.index, t);
          if (found === null) { found = set; return; }
          Object.keys(found).forEach(function (p) { if (!set[p]) delete found[p]; });
        });
        Object.keys(found || {}).forEach(function (p) { hits.push({ group: g, m: b.messages[p] }); });
      });
    });
    hits.sort(function (a, b) {
      return a.group.order - b.group.order || a.m[0] - b.m[0];
    });
    status.textContent = hits.length + (hits.length === 1 ? " message matches" : " messages match") +
      " \u201c" + query + "\u201d" + (hits.length > MAX_SHOWN ? "; the first " + MAX_SHOWN + " are shown." : ".");
    hits.slice(0, MAX_SHOWN).forEach(function (h) {
      var li = document.createElement("li"), m = h.m;
      li.className = "hit";
      li.setAttribute("data-group", h.group.name);
      li.setAttribute("data-number", String(m[0]));
      var a = text("a", m[2] === null ? "unknown" : "", m[2] === null ? "unknown subject" : m[2]);
      a.href = h.group.messages + encodeURIComponent(m[1]);
      li.appendChild(a);
      li.appendChild(document.createElement("br"));
      li.appendChild(text("span", "meta", h.group.name + " #" + m[0] + " \u00b7 " +
        (m[3] === null ? "unknown author" : m[3]) + " \u00b7 " + (m[4] === null ? "unknown date" : m[4])));
      list.appendChild(li);
    });
  }
  function queryOfAddress() {
    var h = /[#&?]q=([^&]*)/.exec(location.hash) || /[?&]q=([^&]*)/.exec(location.search);
    return h ? decodeURIComponent(h[1].replace(/\+/g, " ")) : "";
  }
  function start() {
    var input = document.getElementById("q"), form = document.getElementById("form");
    function fromAddress() {
      var q = queryOfAddress();
      input.value = q;
      if (q) {
        document.getElementById("status").textContent = "Searching\u2026";
        load(function () { run(q); });
      }
    }
    form.addEventListener("submit", function (ev) {
      ev.preventDefault();
      location.hash = "q=" + encodeURIComponent(input.value);
    });
    window.addEventListener("hashchange", fromAddress);
    fromAddress();
  }
  return {
    groups: function (list) { groups = list; groups.forEach(function (g, i) { g.order = i; }); },
    block: function (group, k, messages, index) {
      blocks[group + "/" + k] = { messages: messages, index: index };
    },
    start: start
  };
})();
)JS";
    return script;
}

}  // namespace tessaly::archive
