// The operations reference as the runner serves it: its Markdown pages are compiled into the
// runner, and this writes the little Markdown they use (headings, paragraphs, lists, tables,
// code, links and pictures) as elements. Every text reaches the page as textContent, never as
// markup, and only the reference's own files are linked or fetched.
'use strict';

const kPageName = /^[A-Za-z0-9-]+\.md$/;

// Where a link of a page leads here: another page through this viewer, a chart or the rows of
// an example as the server holds them, an anchor of this page; null for a file of the project
// that the server does not hold (shown as text).
function target(href) {
  const [file, anchor] = href.split('#');
  if (file === '' && /^[a-z0-9-]+$/.test(anchor ?? '')) return '#' + anchor;
  if (kPageName.test(file)) {
    return '/reference/?page=' + file + (anchor && /^[a-z0-9-]+$/.test(anchor) ? '#' + anchor : '');
  }
  if (/^[A-Za-z0-9-]+\.(svg|csv)$/.test(file) && anchor === undefined) return '/reference/' + file;
  return null;
}

// A heading's anchor, as the pages' own links spell it.
function slug(text) {
  return text.toLowerCase().replace(/[^a-z0-9 -]/g, '').replace(/ /g, '-');
}

function inline(text, parent) {
  let i = 0;
  while (i < text.length) {
    const rest = text.slice(i);
    let match;
    if ((match = /^`([^`]*)`/.exec(rest))) {
      const code = document.createElement('code');
      code.textContent = match[1];
      parent.appendChild(code);
    } else if ((match = /^\*\*(.+?)\*\*/.exec(rest))) {
      const strong = document.createElement('strong');
      inline(match[1], strong);
      parent.appendChild(strong);
    } else if ((match = /^!\[([^\]]*)\]\(([^) ]*)\)/.exec(rest))) {
      const where = target(match[2]);
      if (where && where.startsWith('/reference/') && where.endsWith('.svg')) {
        const image = document.createElement('img');
        image.src = where;
        image.alt = match[1];
        parent.appendChild(image);
      } else {
        parent.appendChild(document.createTextNode(match[1]));
      }
    } else if ((match = /^\[((?:`[^`]*`|[^\]])*)\]\(([^) ]*)\)/.exec(rest))) {
      const where = target(match[2]);
      const holder = where ? document.createElement('a') : document.createElement('span');
      if (where) holder.href = where;
      inline(match[1], holder);
      parent.appendChild(holder);
    } else {
      match = /^[^`*![]+|^./.exec(rest);
      parent.appendChild(document.createTextNode(match[0]));
    }
    i += match[0].length;
  }
}

// A table row's cells: split at the bars that are not escaped.
function cells(line) {
  return line.replace(/^\||\|$/g, '').split(/(?<!\\)\|/).map((cell) => cell.trim().replace(/\\\|/g, '|'));
}

function render(markdown) {
  const article = document.createElement('article');
  const lines = markdown.split('\n');
  let i = 0;
  let paragraph = [];
  const flush = () => {
    if (paragraph.length === 0) return;
    const p = document.createElement('p');
    inline(paragraph.join(' '), p);
    article.appendChild(p);
    paragraph = [];
  };
  while (i < lines.length) {
    const line = lines[i];
    if (line.startsWith('<!--')) {
      while (i < lines.length && !lines[i].includes('-->')) ++i;
      ++i;
    } else if (line.startsWith('```')) {
      flush();
      const code = [];
      for (++i; i < lines.length && !lines[i].startsWith('```'); ++i) code.push(lines[i]);
      ++i;
      const pre = document.createElement('pre');
      pre.textContent = code.join('\n');
      article.appendChild(pre);
    } else if (/^#{1,3} /.test(line)) {
      flush();
      const level = line.indexOf(' ');
      const heading = document.createElement('h' + level);
      inline(line.slice(level + 1), heading);
      heading.id = slug(heading.textContent);
      article.appendChild(heading);
      ++i;
    } else if (line.startsWith('|')) {
      flush();
      const table = document.createElement('table');
      const head = document.createElement('tr');
      for (const cell of cells(line)) {
        const th = document.createElement('th');
        inline(cell, th);
        head.appendChild(th);
      }
      table.appendChild(head);
      for (i += 2; i < lines.length && lines[i].startsWith('|'); ++i) {
        const row = document.createElement('tr');
        for (const cell of cells(lines[i])) {
          const td = document.createElement('td');
          inline(cell, td);
          row.appendChild(td);
        }
        table.appendChild(row);
      }
      article.appendChild(table);
    } else if (line.startsWith('- ')) {
      flush();
      const list = document.createElement('ul');
      while (i < lines.length && lines[i].startsWith('- ')) {
        const item = [lines[i].slice(2)];
        for (++i; i < lines.length && lines[i].startsWith('  '); ++i) item.push(lines[i].trim());
        const li = document.createElement('li');
        inline(item.join(' '), li);
        list.appendChild(li);
      }
      article.appendChild(list);
    } else if (line.trim() === '') {
      flush();
      ++i;
    } else {
      paragraph.push(line);
      ++i;
    }
  }
  flush();
  return article;
}

async function show() {
  const asked = new URLSearchParams(location.search).get('page') ?? 'README.md';
  const name = kPageName.test(asked) ? asked : 'README.md';
  const place = document.getElementById('reference');
  const response = await fetch('/reference/' + name);
  if (!response.ok) {
    place.textContent = 'The reference has no page ' + name + '.';
    return;
  }
  place.replaceChildren(...render(await response.text()).childNodes);
  document.title = 'quantifier-run: ' + (place.querySelector('h1')?.textContent ?? name);
  document.body.dataset.page = name;
  if (location.hash) document.getElementById(location.hash.slice(1))?.scrollIntoView();
}

show();
