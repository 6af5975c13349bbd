-- Ketterly's bundled sample database: a small online shop.
-- The build turns this script into shop.db; `scripts/run` opens it.
PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE countries (
    code TEXT PRIMARY KEY,
    name TEXT NOT NULL,
    currency TEXT NOT NULL DEFAULT 'EUR'
);

CREATE TABLE addresses (
    id INTEGER PRIMARY KEY,
    street VARCHAR(120) NOT NULL,
    city VARCHAR(80) NOT NULL,
    postal_code VARCHAR(16),
    country_code TEXT NOT NULL REFERENCES countries(code)
);

CREATE TABLE customers (
    id INTEGER PRIMARY KEY,
    email VARCHAR(120) NOT NULL UNIQUE,
    full_name VARCHAR(80) NOT NULL,
    address_id INTEGER REFERENCES addresses(id) ON DELETE SET NULL,
    is_active BOOLEAN NOT NULL DEFAULT 1,
    joined_on DATE NOT NULL DEFAULT CURRENT_DATE
);

CREATE TABLE categories (
    id INTEGER PRIMARY KEY,
    name VARCHAR(60) NOT NULL,
    parent_id INTEGER REFERENCES categories(id)
);

CREATE TABLE products (
    id INTEGER PRIMARY KEY,
    sku VARCHAR(20) NOT NULL UNIQUE,
    title VARCHAR(120) NOT NULL,
    category_id INTEGER NOT NULL REFERENCES categories(id),
    price NUMERIC(10,2) NOT NULL DEFAULT 0,
    weight_kg REAL,
    thumbnail BLOB
);

CREATE TABLE suppliers (
    id INTEGER PRIMARY KEY,
    company VARCHAR(80) NOT NULL,
    contact_email VARCHAR(120),
    address_id INTEGER REFERENCES addresses(id)
);

CREATE TABLE product_suppliers (
    product_id INTEGER NOT NULL REFERENCES products(id) ON DELETE CASCADE,
    supplier_id INTEGER NOT NULL REFERENCES suppliers(id) ON DELETE CASCADE,
    lead_days INTEGER NOT NULL DEFAULT 7,
    PRIMARY KEY (product_id, supplier_id)
);

CREATE TABLE roles (
    id INTEGER PRIMARY KEY,
    title VARCHAR(40) NOT NULL UNIQUE,
    description TEXT
);

CREATE TABLE employees (
    id INTEGER PRIMARY KEY,
    full_name VARCHAR(80) NOT NULL,
    email VARCHAR(120) NOT NULL,
    manager_id INTEGER REFERENCES employees(id),
    hired_on DATE NOT NULL
);

CREATE TABLE employee_roles (
    employee_id INTEGER NOT NULL REFERENCES employees(id) ON DELETE CASCADE,
    role_id INTEGER NOT NULL REFERENCES roles(id),
    PRIMARY KEY (employee_id, role_id)
);

CREATE TABLE coupons (
    code VARCHAR(16) PRIMARY KEY,
    percent_off INTEGER NOT NULL CHECK (percent_off BETWEEN 1 AND 90),
    valid_until DATE
);

CREATE TABLE orders (
    id INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers(id),
    handled_by INTEGER REFERENCES employees(id),
    coupon_code VARCHAR(16) REFERENCES coupons(code),
    status VARCHAR(12) NOT NULL DEFAULT 'new',
    created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE order_items (
    id INTEGER PRIMARY KEY,
    order_id INTEGER NOT NULL REFERENCES orders(id) ON DELETE CASCADE,
    product_id INTEGER NOT NULL REFERENCES products(id),
    quantity INTEGER NOT NULL DEFAULT 1,
    unit_price NUMERIC(10,2) NOT NULL
);

CREATE TABLE payments (
    id INTEGER PRIMARY KEY,
    order_id INTEGER NOT NULL REFERENCES orders(id),
    amount NUMERIC(10,2) NOT NULL,
    method VARCHAR(12) NOT NULL DEFAULT 'card',
    paid_at DATETIME NOT NULL
);

CREATE TABLE shipments (
    id INTEGER PRIMARY KEY,
    order_id INTEGER NOT NULL REFERENCES orders(id),
    address_id INTEGER NOT NULL REFERENCES addresses(id),
    carrier VARCHAR(20),
    shipped_at DATETIME,
    delivered_at DATETIME
);

CREATE TABLE reviews (
    id INTEGER PRIMARY KEY,
    order_id INTEGER NOT NULL,
    product_id INTEGER NOT NULL,
    stars INTEGER NOT NULL CHECK (stars BETWEEN 1 AND 5),
    body TEXT,
    written_on DATE,
    FOREIGN KEY (order_id, product_id) REFERENCES order_items(order_id, product_id)
);

CREATE TABLE inventory_movements (
    id INTEGER PRIMARY KEY,
    product_id INTEGER NOT NULL REFERENCES products(id),
    delta INTEGER NOT NULL,
    reason VARCHAR(20) NOT NULL DEFAULT 'restock',
    logged_at DATETIME NOT NULL
);

-- Shop-wide settings: key and value, nothing refers to them.
CREATE TABLE settings (
    key TEXT PRIMARY KEY,
    value TEXT
);

CREATE UNIQUE INDEX idx_order_items_order_product ON order_items(order_id, product_id);
CREATE INDEX idx_orders_customer ON orders(customer_id);
CREATE INDEX idx_orders_created ON orders(created_at DESC);
CREATE INDEX idx_products_category ON products(category_id);
CREATE INDEX idx_payments_order ON payments(order_id);
CREATE INDEX idx_customers_lower_email ON customers(lower(email));

CREATE VIEW order_totals AS
    SELECT o.id AS order_id, o.customer_id, SUM(i.quantity * i.unit_price) AS total
    FROM orders o JOIN order_items i ON i.order_id = o.id
    GROUP BY o.id;

INSERT INTO countries VALUES
    ('DE', 'Germany', 'EUR'), ('FR', 'France', 'EUR'), ('NL', 'Netherlands', 'EUR'),
    ('GB', 'United Kingdom', 'GBP'), ('SE', 'Sweden', 'SEK'), ('CH', 'Switzerland', 'CHF');

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60)
INSERT INTO addresses (id, street, city, postal_code, country_code)
SELECT i,
       (i * 7 % 180 + 1) || ' ' || CASE i % 6 WHEN 0 THEN 'Main Street' WHEN 1 THEN 'Lindenallee'
            WHEN 2 THEN 'Rue des Fleurs' WHEN 3 THEN 'Keizersgracht' WHEN 4 THEN 'High Street' ELSE 'Storgatan' END,
       CASE i % 6 WHEN 0 THEN 'Zurich' WHEN 1 THEN 'Berlin' WHEN 2 THEN 'Lyon' WHEN 3 THEN 'Amsterdam'
            WHEN 4 THEN 'Leeds' ELSE 'Uppsala' END,
       printf('%05d', 10000 + i * 137),
       CASE i % 6 WHEN 0 THEN 'CH' WHEN 1 THEN 'DE' WHEN 2 THEN 'FR' WHEN 3 THEN 'NL' WHEN 4 THEN 'GB' ELSE 'SE' END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 48)
INSERT INTO customers (id, email, full_name, address_id, is_active, joined_on)
SELECT i,
       lower(first) || '.' || lower(last) || i || '@example.com',
       first || ' ' || last,
       CASE WHEN i % 9 = 0 THEN NULL ELSE i END,
       i % 11 <> 0,
       date('2021-01-01', '+' || (i * 17) || ' days')
FROM (SELECT i,
             CASE i % 8 WHEN 0 THEN 'Anna' WHEN 1 THEN 'Bram' WHEN 2 THEN 'Chloé' WHEN 3 THEN 'Dieter'
                  WHEN 4 THEN 'Elif' WHEN 5 THEN 'Femi' WHEN 6 THEN 'Greta' ELSE 'Hugo' END AS first,
             CASE i % 7 WHEN 0 THEN 'Jansen' WHEN 1 THEN 'Müller' WHEN 2 THEN 'Dubois' WHEN 3 THEN 'Smith'
                  WHEN 4 THEN 'Lindqvist' WHEN 5 THEN 'Rossi' ELSE 'Keller' END AS last
      FROM n);

INSERT INTO categories (id, name, parent_id) VALUES
    (1, 'Kitchen', NULL), (2, 'Garden', NULL), (3, 'Office', NULL),
    (4, 'Cookware', 1), (5, 'Cutlery', 1), (6, 'Tools', 2), (7, 'Seeds', 2),
    (8, 'Paper', 3), (9, 'Pens', 3), (10, 'Fountain pens', 9);

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
INSERT INTO products (id, sku, title, category_id, price, weight_kg, thumbnail)
SELECT i,
       printf('SKU-%04d', i * 13),
       CASE (i + 3) % 10 WHEN 0 THEN 'Cast iron pan' WHEN 1 THEN 'Chef''s knife' WHEN 2 THEN 'Pruning shears'
            WHEN 3 THEN 'Tomato seeds' WHEN 4 THEN 'A5 notebook' WHEN 5 THEN 'Gel pen' WHEN 6 THEN 'Fountain pen'
            WHEN 7 THEN 'Saucepan' WHEN 8 THEN 'Garden trowel' ELSE 'Sticky notes' END || ' ' || (i / 10 + 1),
       (i + 3) % 10 + 1,
       round(2.5 + (i * 37 % 120) + 0.99, 2),
       CASE WHEN i % 5 = 0 THEN NULL ELSE round(0.05 + (i % 9) * 0.35, 2) END,
       CASE WHEN i % 4 = 0 THEN randomblob(32) ELSE NULL END
FROM n;

INSERT INTO suppliers (id, company, contact_email, address_id) VALUES
    (1, 'Nordic Steelworks AB', 'sales@nordic-steel.example', 5),
    (2, 'Papeterie Lumière', 'contact@lumiere.example', 2),
    (3, 'Green Thumb Ltd', NULL, 4),
    (4, 'Kessler Werkzeuge GmbH', 'info@kessler.example', 1),
    (5, 'Tulp & Zaad BV', 'orders@tulp.example', 3);

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
INSERT INTO product_suppliers (product_id, supplier_id, lead_days)
SELECT i, i % 5 + 1, 3 + i % 12 FROM n
UNION ALL
SELECT i, (i + 2) % 5 + 1, 10 + i % 7 FROM n WHERE i % 3 = 0;

INSERT INTO roles (id, title, description) VALUES
    (1, 'Support', 'Answers customer questions'),
    (2, 'Warehouse', 'Picks and packs orders'),
    (3, 'Purchasing', 'Buys from suppliers'),
    (4, 'Manager', 'Leads a team');

INSERT INTO employees (id, full_name, email, manager_id, hired_on) VALUES
    (1, 'Ingrid Berg', 'ingrid@shop.example', NULL, '2019-03-01'),
    (2, 'Tomás Ortega', 'tomas@shop.example', 1, '2020-01-15'),
    (3, 'Mei Lin', 'mei@shop.example', 1, '2020-06-01'),
    (4, 'Paul Richter', 'paul@shop.example', 2, '2021-02-10'),
    (5, 'Sara Okafor', 'sara@shop.example', 2, '2021-09-20'),
    (6, 'Jonas Weber', 'jonas@shop.example', 3, '2022-04-04'),
    (7, 'Lotte de Vries', 'lotte@shop.example', 3, '2023-01-09');

INSERT INTO employee_roles (employee_id, role_id) VALUES
    (1, 4), (2, 4), (2, 1), (3, 4), (3, 3), (4, 1), (5, 2), (6, 2), (7, 3), (7, 1);

INSERT INTO coupons (code, percent_off, valid_until) VALUES
    ('WELCOME10', 10, '2026-12-31'), ('SPRING15', 15, '2024-05-31'), ('LOYAL20', 20, NULL);

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 90)
INSERT INTO orders (id, customer_id, handled_by, coupon_code, status, created_at)
SELECT i, i * 7 % 48 + 1,
       CASE WHEN i % 6 = 0 THEN NULL ELSE i % 7 + 1 END,
       CASE i % 13 WHEN 0 THEN 'WELCOME10' WHEN 5 THEN 'LOYAL20' ELSE NULL END,
       CASE WHEN i > 84 THEN 'new' WHEN i % 17 = 0 THEN 'cancelled' WHEN i > 78 THEN 'paid' ELSE 'delivered' END,
       datetime('2024-01-03 09:00:00', '+' || (i * 3) || ' days', '+' || (i * 53 % 600) || ' minutes')
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 90),
     line(k) AS (SELECT 0 UNION ALL SELECT 1 UNION ALL SELECT 2)
INSERT INTO order_items (order_id, product_id, quantity, unit_price)
SELECT i, (i * 11 + k * 7) % 40 + 1, 1 + (i + k) % 4, p.price
FROM n JOIN line ON k < 1 + i % 3
JOIN products p ON p.id = (i * 11 + k * 7) % 40 + 1;

INSERT INTO payments (order_id, amount, method, paid_at)
SELECT o.id, SUM(i.quantity * i.unit_price),
       CASE o.id % 3 WHEN 0 THEN 'paypal' WHEN 1 THEN 'card' ELSE 'invoice' END,
       datetime(o.created_at, '+2 hours')
FROM orders o JOIN order_items i ON i.order_id = o.id
WHERE o.status IN ('paid', 'delivered')
GROUP BY o.id;

INSERT INTO shipments (order_id, address_id, carrier, shipped_at, delivered_at)
SELECT o.id, coalesce(c.address_id, 1),
       CASE o.id % 3 WHEN 0 THEN 'DHL' WHEN 1 THEN 'PostNL' ELSE 'UPS' END,
       datetime(o.created_at, '+1 day'), datetime(o.created_at, '+4 days')
FROM orders o JOIN customers c ON c.id = o.customer_id
WHERE o.status = 'delivered';

INSERT INTO reviews (order_id, product_id, stars, body, written_on)
SELECT i.order_id, i.product_id, 1 + (i.id * 3) % 5,
       CASE (i.id * 3) % 5 WHEN 4 THEN 'Excellent, would buy again.' WHEN 3 THEN 'Good value.'
            WHEN 2 THEN 'Does the job.' WHEN 1 THEN 'Arrived late.' ELSE NULL END,
       date(o.created_at, '+10 days')
FROM order_items i JOIN orders o ON o.id = i.order_id
WHERE o.status = 'delivered' AND i.id % 3 = 0;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60)
INSERT INTO inventory_movements (product_id, delta, reason, logged_at)
SELECT i * 7 % 40 + 1,
       CASE WHEN i % 4 = 0 THEN -(i % 5 + 1) ELSE 10 + i % 20 END,
       CASE WHEN i % 4 = 0 THEN 'damaged' ELSE 'restock' END,
       datetime('2024-01-01 07:30:00', '+' || (i * 5) || ' days')
FROM n;

INSERT INTO settings (key, value) VALUES
    ('shop_name', 'Ketterly Kitchen & Garden'), ('default_currency', 'EUR'),
    ('free_shipping_from', '50.00'), ('support_email', 'help@shop.example');

COMMIT;
