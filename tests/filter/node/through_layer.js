// One network task of node.exe for the tests that run it through the stand-in host and the
// layer (NodeThroughLayer_test.cpp). What happened goes to a file as JSON: node's standard
// output to a Wine pipe fails.
//   node through_layer.js get OUT PORT HOST PATH   http.get of http://HOST/PATH from 127.0.0.1:PORT
//   node through_layer.js https OUT PORT NAME      https.get asking 127.0.0.1:PORT for NAME
//   node through_layer.js serve OUT                an HTTP server on 127.0.0.1 for one request
//                                                  (its port first, in OUT.port)
'use strict';
const fs = require('fs');
const http = require('http');
const https = require('https');

const [task, out, ...args] = process.argv.slice(2);

function put(path, result) {
    fs.writeFileSync(path + '.tmp', JSON.stringify(result));
    fs.renameSync(path + '.tmp', path);
}

function finish(result) {
    put(out, result);
    process.exit(0);
}

// Only a guard against a hang: each task ends long before.
setTimeout(() => finish({error: 'timeout'}), 20000).unref();

// The response's status and body, or the request's error.
function fetch(module, options) {
    const request = module.get(options, (response) => {
        let body = '';
        response.setEncoding('latin1');
        response.on('data', (chunk) => { body += chunk; });
        response.on('end', () => finish({status: response.statusCode, body}));
        response.on('error', (e) => finish({error: e.code || 'error', message: e.message}));
    });
    request.on('error', (e) => finish({error: e.code || 'error', message: e.message, errno: e.errno, stack: e.stack}));
}

if (task === 'get') {
    const [port, host, path] = args;
    fetch(http, {host: '127.0.0.1', port: Number(port), path, headers: {Host: host}, agent: false});
} else if (task === 'https') {
    const [port, name] = args;
    // The test's server has a certificate of its own making, so none is checked.
    fetch(https, {host: '127.0.0.1', port: Number(port), servername: name, path: '/',
                  rejectUnauthorized: false, agent: false});
} else if (task === 'serve') {
    const server = http.createServer((request, response) => {
        response.end('served ' + request.url);
        server.close(() => finish({served: request.url}));
    });
    server.listen(0, '127.0.0.1', () => put(out + '.port', {port: server.address().port}));
} else {
    finish({error: 'unknown task ' + task});
}
