#include "html/page_layout.h"

#include "html/html_labels.h"
#include "html/html_text.h"
#include "report/report_labels.h"
#include "support/run_clock.h"
#include "support/tool_version.h"

namespace {

const char kStyle[] =
    "body{font:14px/1.45 system-ui,-apple-system,'Segoe UI',sans-serif;margin:0;color:#1b1f24;"
    "background:#fff}"
    "header{background:#24324a;color:#fff;padding:.7em 1.2em}"
    "header h1{font-size:1.3em;margin:0;overflow-wrap:anywhere}"
    "header p{margin:.2em 0 0;font-size:.9em;color:#dbe3ef;overflow-wrap:anywhere}"
    "header a{color:#cfe0ff}"
    "main{padding:.5em 1.2em 2em}"
    "h2,summary{font-size:1.1em;font-weight:bold;margin:1.4em 0 .5em}"
    "summary{cursor:pointer}"
    "p.note{color:#555e69;font-size:.9em}"
    "table{border-collapse:collapse}"
    ".grid th,.grid td{border:1px solid #d5dae1;padding:.2em .5em;text-align:left;"
    "vertical-align:top}"
    ".grid thead th{background:#eef1f5;white-space:nowrap;position:sticky;top:0}"
    ".grid tbody th{font-weight:normal;overflow-wrap:break-word}"
    ".grid small{color:#555e69}"
    "th[tabindex]{cursor:pointer;padding-right:1.2em}"
    "th[tabindex]::after{content:'\\2195';color:#8a929c;position:absolute;right:.3em;"
    "bottom:.2em}"
    "th[aria-sort=ascending]::after{content:'\\2191'}"
    "th[aria-sort=descending]::after{content:'\\2193'}"
    "td.r{white-space:nowrap;font-variant-numeric:tabular-nums;padding-bottom:.35em;"
    "background:linear-gradient(var(--c),var(--c)) left bottom/var(--r) 4px no-repeat,"
    "linear-gradient(#e3e6ea,#e3e6ea) left bottom/100% 4px no-repeat}"
    "td.lo{--c:#d64545}td.mid{--c:#d9a21b}td.hi{--c:#2e9e4f}"
    "td.na{color:#6a737d}"
    ".sortable thead th{white-space:normal}"
    ".sortable th,.sortable td{padding-left:.4em}"
    ".sortable tbody th{overflow-wrap:anywhere;min-width:6em}"
    ".sortable td.r small{display:block}"
    "td.d{overflow-wrap:anywhere;min-width:6em;max-width:20em}"
    ".charts{display:flex;flex-wrap:wrap;gap:.5em 1.5em}"
    "figure.chart{margin:0}"
    "figure.chart figcaption{font-size:.9em}"
    "svg text{font-size:10px;fill:#555e69}"
    "svg .g{stroke:#d5dae1;stroke-width:1}"
    "svg polyline.s{fill:none;stroke:#3568b8;stroke-width:1.5}"
    "svg circle.s{fill:#3568b8}"
    ".matrix th.f{writing-mode:vertical-rl;transform:rotate(180deg);max-height:14em;"
    "overflow:hidden;font-weight:normal}"
    ".matrix td{text-align:center;color:#2e9e4f}"
    ".legend span{display:inline-block;margin-right:1em;padding:0 .4em;border-left:6px solid}"
    ".legend .h,.src .h code{border-left-color:#2e9e4f}"
    ".legend .p,.src .p code{border-left-color:#d9a21b}"
    ".legend .m,.src .m code{border-left-color:#d64545}"
    ".legend .h::before{content:'\\2714  '}.legend .p::before{content:'\\25D1  '}"
    ".legend .m::before{content:'\\2718  '}"
    ".legend .lo{border-left-color:#d64545}.legend .mid{border-left-color:#d9a21b}"
    ".legend .hi{border-left-color:#2e9e4f}"
    ".src{font:12px/1.5 ui-monospace,SFMono-Regular,Menlo,Consolas,'DejaVu Sans Mono',monospace}"
    ".src .c{content-visibility:auto}"
    ".src code{display:block;font:inherit;white-space:pre-wrap;overflow-wrap:anywhere;tab-size:8;"
    "border-left:6px solid transparent;padding-left:9ch;text-indent:-9ch}"
    ".src code::before{content:attr(data-n);display:inline-block;width:7ch;margin-right:2ch;"
    "text-align:right;color:#6a737d;text-indent:0}"
    ".src .h,.src .p,.src .m{display:flex}"
    ".src .h code,.src .p code,.src .m code{flex:0 0 calc(var(--w) + 9ch)}"
    ".src.k code{position:relative;padding-left:18ch;text-indent:-18ch}"
    ".src.k code::before{margin-right:11ch}"
    ".src.k code::after{content:attr(data-c);position:absolute;top:0;left:8ch;width:8ch;"
    "text-align:right;text-indent:0;color:#3b4756}"
    ".src.k .h code,.src.k .p code,.src.k .m code{flex-basis:calc(var(--w) + 18ch)}"
    ".src .h code{background:#e3f6e8}.src .p code{background:#fff3cc}"
    ".src .m code{background:#fcdede}"
    ".src code:target,.src div:target code{background:#dbe7fb}"
    ".src span{font:11px/1.5 system-ui,sans-serif;padding-left:.6em;flex:1 1 0;min-width:16em}"
    ".src i{font-style:normal;display:inline-block;margin:0 .4em 1px 0;padding:0 .3em;"
    "border-radius:3px;overflow-wrap:anywhere}"
    ".src i.y{background:#e3f6e8}.src i.x{background:#fcdede}"
    "@media print{.grid thead th{position:static}th[tabindex]::after{content:none}}";

// Sorts the rows of a table's body by a column: by the number in the cells'
// data-v attributes when they have one, else by their text.
const char kSortScript[] =
    "(function(){"
    "function key(c){if(!c)return '';var v=c.getAttribute('data-v');"
    "return v===null?c.textContent.trim():parseFloat(v);}"
    "function order(a,b){return typeof a==='number'&&typeof b==='number'?a-b:"
    "String(a).localeCompare(String(b),undefined,{numeric:true});}"
    "document.querySelectorAll('table.sortable').forEach(function(t){"
    "var hs=t.tHead.rows[0].cells;"
    "Array.prototype.forEach.call(hs,function(th,i){"
    "th.tabIndex=0;"
    "function sort(){var up=th.getAttribute('aria-sort')!=='ascending';"
    "Array.prototype.forEach.call(hs,function(h){h.removeAttribute('aria-sort');});"
    "th.setAttribute('aria-sort',up?'ascending':'descending');"
    "var b=t.tBodies[0],rows=Array.prototype.slice.call(b.rows);"
    "rows.forEach(function(r,n){r.dataset.n=n;});"
    "rows.sort(function(x,y){var d=order(key(x.cells[i]),key(y.cells[i]));"
    "return (up?d:-d)||x.dataset.n-y.dataset.n;});"
    "rows.forEach(function(r){b.appendChild(r);});}"
    "th.addEventListener('click',sort);"
    "th.addEventListener('keydown',function(e){if(e.key==='Enter'||e.key===' ')"
    "{e.preventDefault();sort();}});"
    "});});})();";

// Keys n and p go to the next and the previous line that is not wholly hit (the
// line becomes the page's target: it is scrolled to and highlighted).
const char kLineKeysScript[] =
    "(function(){"
    "var lines=document.querySelectorAll('.src .m,.src .p'),at=-1;"
    "function current(){if(at>=0)return at;"
    "var id=location.hash.slice(1),e=id?document.getElementById(id):null;"
    "if(!e)return -0.5;"
    "for(var i=0;i<lines.length;++i){if(lines[i]===e)return i;"
    "if(e.compareDocumentPosition(lines[i])&4)return i-0.5;}"
    "return lines.length-0.5;}"
    "document.addEventListener('keydown',function(e){"
    "if(e.ctrlKey||e.metaKey||e.altKey||(e.key!=='n'&&e.key!=='p'))return;"
    "var t=e.target;if(t&&(t.isContentEditable||/^(INPUT|TEXTAREA|SELECT)$/.test(t.tagName)))"
    "return;"
    "var c=current(),i=e.key==='n'?Math.floor(c)+1:Math.ceil(c)-1;"
    "if(i<0||i>=lines.length)return;"
    "e.preventDefault();at=i;location.replace('#'+lines[i].id);});"
    "})();";

} // namespace

void writePageStart(std::FILE *out, ReportLanguage language, const QString &title,
                    const QString &subtitle, std::time_t runTime, const char *backLink) {
  std::fprintf(out, "<!DOCTYPE html>\n<html lang=\"%s\">\n<head>\n<meta charset=\"utf-8\">\n",
               language == French ? "fr" : "en");
  std::fputs("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
             "<meta name=\"generator\" content=\"zeltocov ",
             out);
  std::fputs(kToolVersion, out);
  std::fputs("\">\n<title>", out);
  writeEscaped(out, title);
  std::fputs("</title>\n<style>", out);
  std::fputs(kStyle, out);
  std::fputs("</style>\n</head>\n<body>\n<header>\n", out);
  if (backLink) {
    std::fprintf(out, "<p><a href=\"%s\">", backLink);
    writeEscaped(out, QString::fromLatin1(htmlLabel(HlBackToIndex, language)));
    std::fputs("</a></p>\n", out);
  }
  std::fputs("<h1>", out);
  writeEscaped(out, title);
  std::fputs("</h1>\n", out);
  if (!subtitle.isEmpty()) {
    std::fputs("<p>", out);
    writeEscaped(out, subtitle);
    std::fputs("</p>\n", out);
  }
  std::fputs("<p>", out);
  if (backLink) {
    writeEscaped(out, QString::fromLatin1(kReportLabels.get(LblReportTitle, language)));
    std::fputs(" &#183; ", out);
  }
  writeEscaped(out, QString::fromLatin1(htmlLabel(HlToolVersion, language)));
  std::fprintf(out, " %s &#183; %s</p>\n</header>\n<main>\n", kToolVersion,
               dateText(runTime).c_str());
}

void writePageEnd(std::FILE *out, PageScripts scripts) {
  std::fputs("</main>\n", out);
  if (scripts != PageScripts::None) {
    std::fputs("<script>", out);
    std::fputs(kSortScript, out);
    if (scripts == PageScripts::SortAndLineKeys) std::fputs(kLineKeysScript, out);
    std::fputs("</script>\n", out);
  }
  std::fputs("</body>\n</html>\n", out);
}
