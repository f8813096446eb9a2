/*
 * orvane.js: the page side of the local Orvane service (port 9002).
 *
 * One promise-returning method per function of the service. Text parameters
 * are percent-encoded and text results decoded here, so callers pass and get
 * plain JavaScript strings. Requests go over one WebSocket; when it cannot be
 * opened they go over HTTP POST instead. A failure rejects with an
 * OrvaneError carrying the service's status code and its message text.
 *
 *   const orvane = new Orvane.Client();            // ws://127.0.0.1:9002
 *   const version = await orvane.getVersion();      // "2.1.0.0"
 *
 * No dependencies; a classic script (it works from file:// pages too).
 */
(function (root) {
  'use strict';

  // name: [function code, [parameter name, 's' text | 'n' number]...]
  var FUNCTIONS = {
    getVersion: [1],
    initialize: [2, ['Prov', 's'], ['Alg', 'n'], ['Path', 's']],
    setParam: [3, ['Name', 's'], ['Data', 's']],
    getParam: [4, ['Name', 's']],
    getDeviceStatus: [5],
    genKeyPair: [6],
    makeP10: [7, ['DN', 's'], ['Alg', 'n']],
    saveCert: [8, ['SignCert', 's'], ['EncCert', 's'], ['EncKey', 's']],
    saveCertChain: [9, ['CertChain', 's']],
    getCert: [10, ['Type', 'n']],
    getCertInfo: [11, ['Cert', 's'], ['Type', 'n']],
    getCertInfoByOid: [12, ['Cert', 's'], ['OID', 's']],
    genRandom: [13, ['Len', 'n']],
    hashData: [14, ['Data', 's'], ['Alg', 'n']],
    hashFile: [15, ['File', 's'], ['Alg', 'n']],
    signData: [16, ['Data', 's'], ['Alg', 'n']],
    verifySignData: [17, ['Data', 's'], ['SignData', 's'], ['Cert', 's'], ['Alg', 'n']],
    verifyP7SignData: [18, ['P7SignData', 's']],
    importP12Cert: [19, ['Type', 'n'], ['P12', 's'], ['Pin', 's']],
    removeCert: [20],
    symmEncrypt: [21, ['Data', 's'], ['Key', 's'], ['Alg', 'n']],
    symmDecrypt: [22, ['Data', 's'], ['Key', 's'], ['Alg', 'n']],
    makeEnvelope: [23, ['Data', 's'], ['Cert', 's']],
    openEnvelope: [24, ['Envelope', 's']],
    verifyPin: [25, ['Pin', 's']],
    getSeal: [26, ['Num', 'n']],
    getSealItem: [27, ['Seal', 's'], ['Type', 'n']],
    verifySeal: [28, ['Seal', 's']],
    symmEncryptFile: [29, ['InFile', 's'], ['OutFile', 's'], ['Key', 's'], ['Alg', 'n']],
    symmDecryptFile: [30, ['InFile', 's'], ['OutFile', 's'], ['Key', 's'], ['Alg', 'n']],
    modifyPin: [31, ['OldPin', 's'], ['NewPin', 's']],
    unlockPin: [32, ['AdminPin', 's'], ['UserPin', 's']],
    getLastErrorCode: [99],
    getLastErrorMsg: [100]
  };

  // Codes the service answers before a context exists, when it cannot be
  // asked for the message text itself.
  var OWN_MESSAGES = {
    4098: 'Parameter error',
    4112: 'Uninitial error',
    4113: 'Provider error'
  };

  function OrvaneError(code, message, functionCode) {
    var error = new Error(code === null ? message : message + ' (' + code + ')');
    Object.setPrototypeOf(error, OrvaneError.prototype);
    error.name = 'OrvaneError';
    error.code = code;            // the service's status code, null when there is none
    error.text = message;         // the message text alone
    error.functionCode = functionCode;
    return error;
  }
  OrvaneError.prototype = Object.create(Error.prototype);
  OrvaneError.prototype.constructor = OrvaneError;

  // The service reads "+" as a space and "%XX" as a byte of UTF-8;
  // encodeURIComponent produces exactly that form for every text.
  function encodeText(text) {
    return encodeURIComponent(String(text));
  }

  function decodeText(text) {
    var spaced = text.replace(/\+/g, ' ');
    try {
      return decodeURIComponent(spaced);
    } catch (e) {
      // Not UTF-8 after all: keep the bytes as Latin-1 characters.
      return spaced.replace(/%([0-9A-Fa-f]{2})/g, function (_, hex) {
        return String.fromCharCode(parseInt(hex, 16));
      });
    }
  }

  function buildRequest(code, spec, args) {
    var params = {};
    for (var i = 1; i < spec.length; i++) {
      var name = spec[i][0];
      var value = args[i - 1];
      if (spec[i][1] === 'n') params[name] = Math.trunc(Number(value) || 0);
      else params[name] = encodeText(value === undefined || value === null ? '' : value);
    }
    return JSON.stringify(spec.length > 1 ? { F: code, P: params } : { F: code });
  }

  /*
   * options: host ('127.0.0.1'), port (9002), transport ('auto': WebSocket,
   * else HTTP; 'websocket'; 'http'), timeout in ms per request (60000; a PIN
   * dialog may keep the user a while).
   */
  function Client(options) {
    options = options || {};
    this.host = options.host || '127.0.0.1';
    this.port = options.port || 9002;
    this.transport = options.transport || 'auto';
    this.timeout = options.timeout || 60000;
    this._socket = null;       // the open WebSocket, or the promise of one
    this._pending = [];        // replies owed on the WebSocket, oldest first
    this._lastTransport = null;
  }

  // 'websocket' or 'http': how the most recent request travelled.
  Client.prototype.lastTransport = function () {
    return this._lastTransport;
  };

  // The raw call: function code and a parameter object as the wire carries
  // it. Resolves with the decoded text, or the number for status-only
  // functions; rejects with an OrvaneError.
  Client.prototype.call = function (code, params) {
    var request = JSON.stringify(params === undefined ? { F: code } : { F: code, P: params });
    return this._send(request, code);
  };

  Client.prototype._send = function (request, code) {
    var self = this;
    return this._exchange(request).then(function (reply) {
      return self._interpret(reply, code);
    });
  };

  Client.prototype._exchange = function (request) {
    var self = this;
    if (this.transport === 'http') return this._overHttp(request);
    return this._openSocket().then(
      function (socket) {
        return self._overSocket(socket, request);
      },
      function (error) {
        if (self.transport === 'websocket') throw error;
        return self._overHttp(request);
      }
    );
  };

  Client.prototype._openSocket = function () {
    var self = this;
    if (this._socket) return Promise.resolve(this._socket);
    if (this._opening) return this._opening;
    if (typeof WebSocket === 'undefined') return Promise.reject(OrvaneError(null, 'WebSocket is not available', 0));
    this._opening = new Promise(function (resolve, reject) {
      var socket = new WebSocket('ws://' + self.host + ':' + self.port + '/');
      socket.onopen = function () {
        self._opening = null;
        self._socket = socket;
        resolve(socket);
      };
      socket.onmessage = function (event) {
        var waiter = self._pending.shift();
        if (waiter) waiter.resolve(typeof event.data === 'string' ? event.data : '');
      };
      socket.onclose = function () {
        var wasOpen = self._socket === socket;
        self._socket = null;
        self._opening = null;
        var waiting = self._pending;
        self._pending = [];
        waiting.forEach(function (waiter) {
          waiter.reject(OrvaneError(null, 'the connection to the service closed', 0));
        });
        if (!wasOpen) reject(OrvaneError(null, 'cannot connect to the service', 0));
      };
    });
    return this._opening;
  };

  Client.prototype._overSocket = function (socket, request) {
    var self = this;
    this._lastTransport = 'websocket';
    return new Promise(function (resolve, reject) {
      var waiter = { resolve: resolve, reject: reject };
      // Replies come in request order; a request that takes too long costs
      // the connection, since a later reply could not be told from its own.
      var timer = setTimeout(function () {
        reject(OrvaneError(null, 'the service did not answer in time', 0));
        socket.close();
      }, self.timeout);
      waiter.resolve = function (text) { clearTimeout(timer); resolve(text); };
      waiter.reject = function (error) { clearTimeout(timer); reject(error); };
      self._pending.push(waiter);
      socket.send(request);
    });
  };

  Client.prototype._overHttp = function (request) {
    var self = this;
    this._lastTransport = 'http';
    var controller = typeof AbortController !== 'undefined' ? new AbortController() : null;
    var timer = controller ? setTimeout(function () { controller.abort(); }, this.timeout) : null;
    // A text/plain POST needs no preflight; the service allows any origin.
    return fetch('http://' + this.host + ':' + this.port + '/', {
      method: 'POST',
      headers: { 'Content-Type': 'text/plain' },
      body: request,
      signal: controller ? controller.signal : undefined
    }).then(
      function (response) {
        clearTimeout(timer);
        return response.text();
      },
      function () {
        clearTimeout(timer);
        throw OrvaneError(null, 'cannot connect to the service', 0);
      }
    );
  };

  Client.prototype._interpret = function (replyText, code) {
    var self = this;
    if (!replyText || !replyText.trim()) {
      return Promise.reject(OrvaneError(null, 'the service did not understand the request', code));
    }
    var reply;
    try {
      reply = JSON.parse(replyText);
    } catch (e) {
      return Promise.reject(OrvaneError(null, 'the service sent an unreadable reply', code));
    }
    if (reply.R === 'T') return Promise.resolve(typeof reply.V === 'string' ? decodeText(reply.V) : reply.V);
    var status = reply.V;
    if (OWN_MESSAGES[status] && (code === 1 || code === 2 || code === 5 || status === 4112)) {
      return Promise.reject(OrvaneError(status, OWN_MESSAGES[status], code));
    }
    // The context keeps the failure as its last error; its text comes in the
    // service's language.
    return this._exchange(JSON.stringify({ F: 100 })).then(
      function (messageReply) {
        var message = null;
        try {
          var parsed = JSON.parse(messageReply);
          if (parsed.R === 'T' && typeof parsed.V === 'string') message = decodeText(parsed.V);
        } catch (e) { /* no message: fall through */ }
        throw OrvaneError(status, message || OWN_MESSAGES[status] || 'error', code);
      },
      function () {
        throw OrvaneError(status, OWN_MESSAGES[status] || 'error', code);
      }
    );
  };

  // Closes the WebSocket; later calls open a new one.
  Client.prototype.close = function () {
    if (this._socket) this._socket.close();
  };

  Object.keys(FUNCTIONS).forEach(function (name) {
    var spec = FUNCTIONS[name];
    Client.prototype[name] = function () {
      var request;
      try {
        request = buildRequest(spec[0], spec, arguments);
      } catch (e) {
        return Promise.reject(OrvaneError(null, 'a text parameter is not valid Unicode', spec[0]));
      }
      return this._send(request, spec[0]);
    };
  });

  var api = {
    Client: Client,
    OrvaneError: OrvaneError,
    FUNCTIONS: FUNCTIONS,
    encodeText: encodeText,
    decodeText: decodeText
  };
  if (typeof module === 'object' && module.exports) module.exports = api;
  else root.Orvane = api;
})(typeof self !== 'undefined' ? self : this);
