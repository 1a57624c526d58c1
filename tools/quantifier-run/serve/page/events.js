// One stream of the server's status for every tab of the page: a browser opens only a few
// connections to one server at a time, and a stream held by each tab would use them all up.
'use strict';

const ports = new Set();
let connected = false;
let last = null;

function tell(message) {
  for (const port of ports) port.postMessage(message);
}

const source = new EventSource('/events');
source.addEventListener('status', (event) => {
  last = event.data;
  tell({ status: last });
});
source.addEventListener('open', () => {
  connected = true;
  tell({ connected });
});
// EventSource connects again by itself; the tabs only hear of it.
source.addEventListener('error', () => {
  connected = false;
  tell({ connected });
});

self.addEventListener('connect', (event) => {
  const port = event.ports[0];
  ports.add(port);
  port.addEventListener('message', (message) => {
    if (message.data === 'closing') ports.delete(port);
  });
  port.start();
  port.postMessage({ connected });
  if (last !== null) port.postMessage({ status: last });
});
